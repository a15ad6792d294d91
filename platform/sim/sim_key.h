// The simulated Windows' one RSA key (2048 bits), fixed so that its
// signatures are the same in every run. Hex, big-endian.
#pragma once

namespace lw {

inline constexpr char kSimKeyModulus[] =
    "8660c6e7e83edba6deea696bb91a8141ea862af5e0b997e6a3d44f9b1993258b"
    "1c4e77a3dc5525213b4a03b1febf9921cae57527c2fa4a81456ccf69b2a4450c"
    "db9976b49b9354e2287bcc41a991d9b3e58e20ea7122c94b842683e5fa67dbe3"
    "98c84b72a46a34c9bc1fe3fde0f5aface5efc0265cbab878a70618146d4ae680"
    "1ebbebad84529198224c04f64661efea1feb55eddc046555dc2f091974055820"
    "82aac7cd33ebd96c1afd2f9088e0dcdf60453e02a6aef5a3490a5abf347c9eb1"
    "b61beb1546d250ed620ccdb8ca756e28e3a05dbec039b1fea2aebcc94afb526c"
    "e938af0246baa7fcaf36bb8178c611b82388c48069a6764e6dd437878e8352b1";
inline constexpr char kSimKeyPublicExponent[] = "010001";
inline constexpr char kSimKeyPrivateExponent[] =
    "3780292707694ed77122684031c79cb358e5e9407c7cab1c7b75e91b2a48f82c"
    "a8985019c19af926ec91f94cbee6eb9c656cb822a0093854841418e692fdfdf6"
    "fd8c38d7079aa66872480f68df5c7a0a2f39b0a6a3ebb6301678c1e96eaf0ec6"
    "c6079401d99e74070e482da6620f976b55dcdc03fc30b2984283e5d629fdd18d"
    "67ea70c5aaa45c671a09b4ff4a1aedf6697dc20bdfc91995843b0fbea6be1c0e"
    "8598512ee5bdb2607afc9e1555b0bafc590e228c92d7afce15843211256ffea1"
    "b02539fbb4984a66325e80cc7a6cc81f4565149dfebb21c3705c87128240eef1"
    "aa8b7e61f70a6179d05c93bdd4e37a94c5558e22147ab1164bc68cbbd928d671";

}  // namespace lw
