// Runs the built linkwright-infpatch and collects what it printed.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace lw {

struct ToolRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

inline std::string readHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline ToolRun runInfPatchTool(const std::vector<std::string>& args, const std::string& dir) {
  ToolRun run;
  std::string outPath = dir + "/tool.stdout";
  std::string errPath = dir + "/tool.stderr";
  pid_t child = fork();
  if (child == 0) {
    int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(out, 1);
    dup2(err, 2);
    std::vector<char*> argv{const_cast<char*>(LW_INFPATCH_TOOL)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(LW_INFPATCH_TOOL, argv.data());
    _exit(127);
  }
  int status = 0;
  if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) {
    run.exitCode = WEXITSTATUS(status);
  }
  run.out = readHostFile(outPath);
  run.err = readHostFile(errPath);
  return run;
}

// A fresh host folder for one test, removed with it.
class HostTempDir {
 public:
  HostTempDir() {
    char pattern[] = "/tmp/lw-infpatch-XXXXXX";
    const char* made = mkdtemp(pattern);
    path_ = made ? made : "/tmp";
  }
  ~HostTempDir() {
    std::error_code ignored;
    if (path_ != "/tmp") std::filesystem::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace lw
