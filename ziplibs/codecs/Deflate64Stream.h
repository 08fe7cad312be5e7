// Deflate64 (method 9), the "enhanced deflate" that other archivers write
// for large files: deflate with a 64 KiB window, length code 285 standing
// for 3 to 65538 bytes (16 extra bits) and two more distance codes (30 and
// 31, 14 extra bits each). No Debian library decodes it, so this decoder is
// our own: table-driven Huffman decoding over a 64-bit bit buffer, writing
// into a buffer that keeps the last 64 KiB as the window.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "ByteStream.h"

namespace orn::zipfmt {

// The decoding table of one canonical Huffman code, as deflate stores it
// (codes read from the low bit up). Short codes are found with one lookup of
// the next kPrimaryBits bits, longer ones through a second table.
class HuffmanTable {
 public:
  // False when the code lengths promise more codes than there is room for.
  // An incomplete code is accepted; its unused bit patterns are invalid.
  bool Build(const std::uint8_t* lengths, int count);
  // The entry for the code at the low end of `bits`: the symbol in the high
  // 16 bits, the code's length in the low 5 (0 for an invalid pattern).
  std::uint32_t Lookup(std::uint64_t bits) const {
    std::uint32_t e = table_[bits & ((1u << kPrimaryBits) - 1)];
    if (e & kLink) e = table_[(e >> 16) + ((bits >> kPrimaryBits) & ((1u << (e & 0x1F)) - 1))];
    return e;
  }

 private:
  static constexpr int kPrimaryBits = 10;
  static constexpr std::uint32_t kLink = 0x20;
  std::vector<std::uint32_t> table_;
};

class Deflate64Stream : public ByteStream {
 public:
  explicit Deflate64Stream(ByteStream& source);
  std::size_t Read(std::uint8_t* out, std::size_t capacity) override;

 private:
  enum class State { BlockHeader, Stored, Huffman, Done };
  bool FillInput();
  void Refill();
  std::uint32_t TakeBits(int count);
  void ReadBlockHeader();
  void ReadDynamicTables();
  void CopyStored(std::size_t stop);
  void DecodeHuffman(std::size_t stop);
  void Produce();

  ByteStream& source_;
  std::unique_ptr<std::uint8_t[]> in_;
  const std::uint8_t* inPos_ = nullptr;
  const std::uint8_t* inEnd_ = nullptr;
  std::uint64_t bitBuf_ = 0;
  int bitCount_ = 0;
  int overrun_ = 0;  // zero bytes put into the bit buffer after the input ended

  std::unique_ptr<std::uint8_t[]> buf_;  // the window, then the output not yet handed out
  std::size_t outPos_ = 0;
  std::size_t readPos_ = 0;

  State state_ = State::BlockHeader;
  bool lastBlock_ = false;
  std::uint32_t storedLeft_ = 0;
  HuffmanTable lit_;
  HuffmanTable dist_;
};

}  // namespace orn::zipfmt
