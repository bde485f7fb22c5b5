#pragma once
// The binary .x token numbers and container sizes, shared by the reader here and the
// writer of the build tools.
#include <cstddef>
#include <cstdint>

namespace gfx::assets::xfile {

enum TokenId : uint16_t {
    kName = 1,
    kString = 2,
    kInteger = 3,
    kGuid = 5,
    kIntegerList = 6,
    kFloatList = 7,
    kOBrace = 10,
    kCBrace = 11,
    kOParen = 12,
    kCParen = 13,
    kOBracket = 14,
    kCBracket = 15,
    kOAngle = 16,
    kCAngle = 17,
    kDot = 18,
    kComma = 19,
    kSemicolon = 20,
    kTemplate = 31,
    kWord = 40,
    kDword = 41,
    kFloat = 42,
    kDouble = 43,
    kChar = 44,
    kUChar = 45,
    kSWord = 46,
    kSDword = 47,
    kVoid = 48,
    kLpStr = 49,
    kUnicode = 50,
    kCString = 51,
    kArray = 52,
};

constexpr size_t kHeaderSize = 16;
constexpr size_t kWindow = 32768;
constexpr int kMaxNesting = 64;

}  // namespace gfx::assets::xfile
