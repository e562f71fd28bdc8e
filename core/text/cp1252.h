// The game's single-byte text ("Western", Windows-1252) as characters:
// every byte maps to one UTF-16 character and back. Bytes 0x80-0x9F map as
// Windows-1252 defines them; the five it leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) and all other bytes map as Latin-1, so no byte is lost.
// A character outside the 256 images has no byte.
#pragma once

#include <string>
#include <string_view>

namespace quorlix {

char16_t ByteToChar(unsigned char byte);

// The byte that shows as `c`, or -1 when there is none.
int CharToByte(char16_t c);

// Appends the characters of `bytes` to `out`.
void AppendBytesAsChars(std::string_view bytes, std::u16string& out);

// Appends the bytes of `chars` to `out`; returns the index of the first
// character without a byte (its bytes are not appended), or npos.
std::size_t AppendCharsAsBytes(std::u16string_view chars, std::string& out);

}  // namespace quorlix
