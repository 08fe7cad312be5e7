#include "Deflate64Stream.h"

#include <algorithm>
#include <cstring>

#include "OrnZipLib.h"

namespace orn::zipfmt {

namespace {

constexpr std::size_t kWindow = 64u << 10;
constexpr std::size_t kMaxMatch = 65538;
constexpr std::size_t kSpace = 1u << 20;  // output decoded per round, behind the window
constexpr std::size_t kSlack = 16;        // matches are copied 8 bytes at a time
constexpr std::size_t kBufferSize = kWindow + kSpace + kMaxMatch + kSlack;
constexpr std::size_t kInputSize = 256u << 10;

// Length codes 257..285 and distance codes 0..31 of Deflate64.
constexpr std::uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                           31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 3};
constexpr std::uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 16};
constexpr std::uint32_t kDistBase[32] = {1,    2,    3,    4,    5,    7,     9,     13,    17,    25,   33,
                                         49,   65,   97,   129,  193,  257,   385,   513,   769,   1025, 1537,
                                         2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
constexpr std::uint8_t kDistExtra[32] = {0, 0, 0, 0, 1, 1, 2,  2,  3,  3,  4,  4,  5,  5,  6,  6,
                                         7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};
// The order in which the code length code's lengths are stored.
constexpr std::uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

[[noreturn]] void Damaged(const char* why) {
  throw DecodeError(ORN_ZE_FORMAT, std::string("The Deflate64 data ") + why);
}

std::uint32_t Reversed(std::uint32_t code, int length) {
  std::uint32_t r = 0;
  for (int i = 0; i < length; ++i, code >>= 1) r = (r << 1) | (code & 1);
  return r;
}

struct FixedTables {
  HuffmanTable lit, dist;
  FixedTables() {
    std::uint8_t lengths[288];
    std::fill(lengths, lengths + 144, 8);
    std::fill(lengths + 144, lengths + 256, 9);
    std::fill(lengths + 256, lengths + 280, 7);
    std::fill(lengths + 280, lengths + 288, 8);
    lit.Build(lengths, 288);
    std::fill(lengths, lengths + 32, 5);
    dist.Build(lengths, 32);
  }
};

}  // namespace

bool HuffmanTable::Build(const std::uint8_t* lengths, int count) {
  int perLength[16] = {};
  int maxLength = 0;
  for (int i = 0; i < count; ++i) {
    ++perLength[lengths[i]];
    maxLength = std::max<int>(maxLength, lengths[i]);
  }
  perLength[0] = 0;
  int room = 1;
  std::uint32_t next[16] = {};
  for (int len = 1; len <= 15; ++len) {
    room = (room << 1) - perLength[len];
    if (room < 0) return false;
    next[len] = (next[len - 1] + std::uint32_t(perLength[len - 1])) << 1;
  }
  const int subBits = std::max(0, maxLength - kPrimaryBits);
  table_.assign(std::size_t(1) << kPrimaryBits, 0);
  for (int symbol = 0; symbol < count; ++symbol) {
    const int len = lengths[symbol];
    if (len == 0) continue;
    const std::uint32_t code = Reversed(next[len]++, len);
    const std::uint32_t entry = (std::uint32_t(symbol) << 16) | std::uint32_t(len);
    if (len <= kPrimaryBits) {
      for (std::uint32_t i = code; i < (1u << kPrimaryBits); i += 1u << len) table_[i] = entry;
      continue;
    }
    const std::size_t prefix = code & ((1u << kPrimaryBits) - 1);
    if (!(table_[prefix] & kLink)) {
      table_[prefix] = (std::uint32_t(table_.size()) << 16) | kLink | std::uint32_t(subBits);
      table_.resize(table_.size() + (std::size_t(1) << subBits), 0);
    }
    const std::size_t start = table_[prefix] >> 16;
    for (std::uint32_t i = code >> kPrimaryBits; i < (1u << subBits); i += 1u << (len - kPrimaryBits))
      table_[start + i] = entry;
  }
  return true;
}

Deflate64Stream::Deflate64Stream(ByteStream& source)
    : source_(source), in_(new std::uint8_t[kInputSize]), buf_(new std::uint8_t[kBufferSize]) {}

bool Deflate64Stream::FillInput() {
  const std::size_t n = source_.Read(in_.get(), kInputSize);
  inPos_ = in_.get();
  inEnd_ = inPos_ + n;
  return n > 0;
}

// Brings the bit buffer to at least 56 bits. Past the end of the input it
// is filled with zero bytes, which only a cut stream ever gets to use.
void Deflate64Stream::Refill() {
  if (bitCount_ > 56) return;
  if (inEnd_ - inPos_ >= 8) {
    std::uint64_t word;
    std::memcpy(&word, inPos_, 8);
    bitBuf_ |= word << bitCount_;
    inPos_ += (63 - bitCount_) >> 3;
    bitCount_ |= 56;
    return;
  }
  while (bitCount_ <= 56) {
    if (inPos_ == inEnd_ && !FillInput()) {
      if (++overrun_ > 8) Damaged("ends early");
    } else {
      bitBuf_ |= std::uint64_t(*inPos_++) << bitCount_;
    }
    bitCount_ += 8;
  }
}

std::uint32_t Deflate64Stream::TakeBits(int count) {
  if (bitCount_ < count) Refill();
  const std::uint32_t v = std::uint32_t(bitBuf_ & ((std::uint64_t(1) << count) - 1));
  bitBuf_ >>= count;
  bitCount_ -= count;
  return v;
}

void Deflate64Stream::ReadBlockHeader() {
  if (lastBlock_) {
    // Bits of the zero fill taken into the last block: the stream was cut.
    if (overrun_ * 8 > bitCount_) Damaged("ends early");
    state_ = State::Done;
    return;
  }
  lastBlock_ = TakeBits(1) != 0;
  switch (TakeBits(2)) {
    case 0: {
      TakeBits(bitCount_ & 7);
      const std::uint32_t len = TakeBits(16);
      if ((TakeBits(16) ^ 0xFFFF) != len) Damaged("has a damaged stored block");
      storedLeft_ = len;
      state_ = State::Stored;
      break;
    }
    case 1: {
      static const FixedTables fixed;
      lit_ = fixed.lit;
      dist_ = fixed.dist;
      state_ = State::Huffman;
      break;
    }
    case 2:
      ReadDynamicTables();
      state_ = State::Huffman;
      break;
    default:
      Damaged("has a block of an unknown type");
  }
}

void Deflate64Stream::ReadDynamicTables() {
  const int litCount = int(TakeBits(5)) + 257;
  const int distCount = int(TakeBits(5)) + 1;
  const int lengthCount = int(TakeBits(4)) + 4;
  std::uint8_t lengths[288 + 32] = {};
  for (int i = 0; i < lengthCount; ++i) lengths[kCodeLengthOrder[i]] = std::uint8_t(TakeBits(3));
  HuffmanTable lengthCode;
  if (!lengthCode.Build(lengths, 19)) Damaged("has damaged code lengths");
  std::memset(lengths, 0, sizeof lengths);
  const int total = litCount + distCount;
  for (int i = 0; i < total;) {
    Refill();
    const std::uint32_t e = lengthCode.Lookup(bitBuf_);
    const int len = int(e & 0x1F);
    if (len == 0) Damaged("has damaged code lengths");
    bitBuf_ >>= len;
    bitCount_ -= len;
    const int symbol = int(e >> 16);
    if (symbol < 16) {
      lengths[i++] = std::uint8_t(symbol);
      continue;
    }
    int repeat;
    std::uint8_t value = 0;
    if (symbol == 16) {
      if (i == 0) Damaged("has damaged code lengths");
      value = lengths[i - 1];
      repeat = 3 + int(TakeBits(2));
    } else if (symbol == 17) {
      repeat = 3 + int(TakeBits(3));
    } else {
      repeat = 11 + int(TakeBits(7));
    }
    if (i + repeat > total) Damaged("has damaged code lengths");
    std::fill(lengths + i, lengths + i + repeat, value);
    i += repeat;
  }
  if (lengths[256] == 0 || !lit_.Build(lengths, litCount) || !dist_.Build(lengths + litCount, distCount))
    Damaged("has damaged Huffman codes");
}

void Deflate64Stream::CopyStored(std::size_t stop) {
  std::uint8_t* const buf = buf_.get();
  // Whole bytes still in the bit buffer come first; zero fill is no data.
  while (storedLeft_ > 0 && bitCount_ >= 8 && outPos_ < stop) {
    if (bitCount_ <= overrun_ * 8) Damaged("ends early");
    buf[outPos_++] = std::uint8_t(bitBuf_);
    bitBuf_ >>= 8;
    bitCount_ -= 8;
    --storedLeft_;
  }
  if (bitCount_ == 0) bitBuf_ = 0;  // what is left there belongs to bytes copied below
  while (storedLeft_ > 0 && outPos_ < stop) {
    if (inPos_ == inEnd_ && !FillInput()) Damaged("ends early");
    const std::size_t n = std::min({std::size_t(storedLeft_), std::size_t(inEnd_ - inPos_), stop - outPos_});
    std::memcpy(buf + outPos_, inPos_, n);
    inPos_ += n;
    outPos_ += n;
    storedLeft_ -= std::uint32_t(n);
  }
  if (storedLeft_ == 0) state_ = State::BlockHeader;
}

void Deflate64Stream::DecodeHuffman(std::size_t stop) {
  std::uint8_t* const buf = buf_.get();
  while (outPos_ < stop) {
    if (bitCount_ < 32) Refill();
    std::uint32_t e = lit_.Lookup(bitBuf_);
    int len = int(e & 0x1F);
    if (len == 0) Damaged("has an invalid code");
    bitBuf_ >>= len;
    bitCount_ -= len;
    std::uint32_t symbol = e >> 16;
    if (symbol < 256) {
      buf[outPos_++] = std::uint8_t(symbol);
      continue;
    }
    if (symbol == 256) {
      state_ = State::BlockHeader;
      return;
    }
    symbol -= 257;
    if (symbol >= 29) Damaged("has an invalid length code");
    int extra = kLengthExtra[symbol];
    const std::size_t length = kLengthBase[symbol] + (bitBuf_ & ((1u << extra) - 1));
    bitBuf_ >>= extra;
    bitCount_ -= extra;

    Refill();
    e = dist_.Lookup(bitBuf_);
    len = int(e & 0x1F);
    if (len == 0) Damaged("has an invalid distance code");
    bitBuf_ >>= len;
    bitCount_ -= len;
    symbol = e >> 16;
    extra = kDistExtra[symbol];
    const std::size_t distance = kDistBase[symbol] + (bitBuf_ & ((1u << extra) - 1));
    bitBuf_ >>= extra;
    bitCount_ -= extra;
    if (distance > outPos_) Damaged("refers back before its beginning");

    std::uint8_t* dst = buf + outPos_;
    const std::uint8_t* src = dst - distance;
    if (distance >= 8) {
      // Each 8-byte step reads bytes that are already written.
      for (std::size_t done = 0; done < length; done += 8) std::memcpy(dst + done, src + done, 8);
    } else if (distance == 1) {
      std::memset(dst, *src, length);
    } else {
      for (std::size_t i = 0; i < length; ++i) dst[i] = src[i];
    }
    outPos_ += length;
  }
}

void Deflate64Stream::Produce() {
  // Only the last 64 KiB are needed as the window: move them to the front.
  if (outPos_ > kWindow + kSpace / 2) {
    std::memmove(buf_.get(), buf_.get() + outPos_ - kWindow, kWindow);
    outPos_ = readPos_ = kWindow;
  }
  const std::size_t stop = kWindow + kSpace;
  while (outPos_ < stop && state_ != State::Done) {
    switch (state_) {
      case State::BlockHeader:
        ReadBlockHeader();
        break;
      case State::Stored:
        CopyStored(stop);
        break;
      case State::Huffman:
        DecodeHuffman(stop);
        break;
      case State::Done:
        break;
    }
  }
}

std::size_t Deflate64Stream::Read(std::uint8_t* out, std::size_t capacity) {
  while (readPos_ == outPos_) {
    if (state_ == State::Done) return 0;
    Produce();
  }
  const std::size_t n = std::min(capacity, outPos_ - readPos_);
  std::memcpy(out, buf_.get() + readPos_, n);
  readPos_ += n;
  return n;
}

}  // namespace orn::zipfmt
