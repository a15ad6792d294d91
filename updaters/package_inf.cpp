#include "updaters/package_inf.h"

#include <algorithm>
#include <cctype>

namespace lw {

namespace {

constexpr char kSystemDriversPrefix[] = "%12%\\";

std::string lowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  const size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

// The line without its line end, and the line end itself.
struct Line {
  std::string body;
  std::string end;
};

std::vector<Line> splitLines(const std::string& text) {
  std::vector<Line> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t lf = text.find('\n', at);
    size_t stop = lf == std::string::npos ? text.size() : lf;
    size_t bodyEnd = stop > at && text[stop - 1] == '\r' ? stop - 1 : stop;
    lines.push_back({text.substr(at, bodyEnd - at),
                     text.substr(bodyEnd, (lf == std::string::npos ? stop : lf + 1) - bodyEnd)});
    at = lf == std::string::npos ? text.size() : lf + 1;
  }
  return lines;
}

// "[name]" as lower case without brackets; empty when the line is no header.
std::string sectionName(const std::string& body) {
  const std::string t = trimmed(body);
  if (t.size() < 2 || t.front() != '[') return "";
  const size_t close = t.find(']');
  if (close == std::string::npos) return "";
  return lowered(trimmed(t.substr(1, close - 1)));
}

// The key of "key = value ; comment", trimmed, quotes kept.
std::string entryKey(const std::string& body) {
  const std::string t = trimmed(body);
  if (t.empty() || t[0] == ';') return "";
  const size_t cut = t.find_first_of("=;");
  return trimmed(t.substr(0, cut));
}

bool isCatalogFileKey(const std::string& key) {
  const std::string k = lowered(key);
  return k == "catalogfile" || k.rfind("catalogfile.", 0) == 0;
}

bool isSourceDisksFiles(const std::string& section) {
  return section == "sourcedisksfiles" || section.rfind("sourcedisksfiles.", 0) == 0;
}

bool startsWithIgnoringCase(const std::string& text, const char* prefix) {
  return lowered(text.substr(0, std::char_traits<char>::length(prefix))) == lowered(prefix);
}

}  // namespace

PackageInfResult preparePackageInf(const std::string& patched, const std::string& catalogName,
                                   PackageInf* out) {
  PackageInf result;
  const std::vector<Line> lines = splitLines(patched);
  // The engine writes CR LF; an INF without any line keeps that form.
  const std::string lineEnd = lines.empty() || lines[0].end.empty() ? "\r\n" : lines[0].end;
  bool versionSeen = false;
  std::string section;
  for (const Line& line : lines) {
    const std::string header = sectionName(line.body);
    if (!header.empty()) {
      section = header;
      result.text += line.body + line.end;
      if (section == "version" && !versionSeen) {
        versionSeen = true;
        result.text += "CatalogFile=" + catalogName + (line.end.empty() ? lineEnd : line.end);
      }
      continue;
    }
    const std::string key = entryKey(line.body);
    // LayoutFile sends Setup to a system layout outside the package.
    if (section == "version" && (isCatalogFileKey(key) || lowered(key) == "layoutfile")) continue;
    std::string body = line.body;
    if (isSourceDisksFiles(section) && !key.empty()) {
      std::string file = key;
      if (startsWithIgnoringCase(file, kSystemDriversPrefix)) {
        body.erase(body.find(kSystemDriversPrefix[0]), sizeof kSystemDriversPrefix - 1);
        file.erase(0, sizeof kSystemDriversPrefix - 1);
      }
      if (file.size() >= 2 && file.front() == '"' && file.back() == '"') {
        file = file.substr(1, file.size() - 2);
      }
      if (file.empty() || file.find_first_of("\\/:%") != std::string::npos) {
        return PackageInfResult::SourceFileInFolder;
      }
      const std::string name = lowered(file);
      const bool listed = std::any_of(result.files.begin(), result.files.end(),
                                      [&](const std::string& f) { return lowered(f) == name; });
      if (!listed) result.files.push_back(file);
    }
    result.text += body + line.end;
  }
  if (!versionSeen) return PackageInfResult::NoVersionSection;
  *out = std::move(result);
  return PackageInfResult::Ok;
}

}  // namespace lw
