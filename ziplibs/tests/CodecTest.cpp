// The stream layers over buffers in memory: each decompressor against data
// its own library compressed (read back in awkward pieces), Deflate64's own
// additions against a stream built bit by bit, cut and damaged input, and
// AES going both ways.
#include <bzlib.h>
#include <gtest/gtest.h>
#include <lzma.h>
#include <zlib.h>
#include <zstd.h>

#include <functional>
#include <random>
#include <string>

#include "ByteStream.h"
#include "Decompressors.h"
#include "OrnZipLib.h"
#include "WinZipAes.h"

namespace orn::zipfmt {
namespace {

// Hands out its data a few bytes at a time, as a slow file would.
class Trickle : public ByteStream {
 public:
  Trickle(std::string data, std::size_t step) : data_(std::move(data)), step_(step) {}
  std::size_t Read(std::uint8_t* out, std::size_t capacity) override {
    const std::size_t n = std::min({capacity, step_, data_.size() - pos_});
    std::memcpy(out, data_.data() + pos_, n);
    pos_ += n;
    return n;
  }

 private:
  std::string data_;
  std::size_t step_;
  std::size_t pos_ = 0;
};

std::string ReadAll(ByteStream& s, std::size_t piece = 4093) {
  std::string out, buf(piece, '\0');
  while (std::size_t n = s.Read(reinterpret_cast<std::uint8_t*>(buf.data()), buf.size())) out.append(buf, 0, n);
  return out;
}

// Text that compresses, random bytes that do not, and long runs.
std::string Sample() {
  std::string s;
  std::mt19937 gen(7);
  for (int i = 0; i < 12000; ++i)
    s += "KONTI;" + std::to_string(i % 977) + ";Banka;" + std::to_string(gen() % 100) + "\n";
  for (int i = 0; i < 100000; ++i) s.push_back(char(gen()));
  s.append(200000, 'z');
  return s;
}

std::string Bzip2(const std::string& in) {
  unsigned int size = unsigned(in.size() + in.size() / 100 + 600);
  std::string out(size, '\0');
  EXPECT_EQ(BZ2_bzBuffToBuffCompress(out.data(), &size, const_cast<char*>(in.data()), unsigned(in.size()), 9, 0, 0),
            BZ_OK);
  out.resize(size);
  return out;
}

std::string LzmaZipForm(const std::string& in, bool endMarker) {
  lzma_options_lzma options;
  lzma_lzma_preset(&options, 6);
  options.ext_flags = endMarker ? LZMA_LZMA1EXT_ALLOW_EOPM : 0;
  lzma_filter filters[2] = {{LZMA_FILTER_LZMA1EXT, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
  std::string out(in.size() + 4096, '\0');
  std::size_t pos = 9;
  EXPECT_EQ(lzma_raw_buffer_encode(filters, nullptr, reinterpret_cast<const std::uint8_t*>(in.data()), in.size(),
                                   reinterpret_cast<std::uint8_t*>(out.data()), &pos, out.size()),
            LZMA_OK);
  std::uint32_t props = 0;
  lzma_filter plain = {LZMA_FILTER_LZMA1, &options};
  EXPECT_EQ(lzma_properties_size(&props, &plain), LZMA_OK);
  EXPECT_EQ(props, 5u);
  lzma_properties_encode(&plain, reinterpret_cast<std::uint8_t*>(out.data()) + 4);
  out[0] = 9;  // the writer's version, 9.20
  out[1] = 20;
  out[2] = 5;
  out[3] = 0;
  out.resize(pos);
  return out;
}

std::string Xz(const std::string& in) {
  std::string out(in.size() + 4096, '\0');
  std::size_t pos = 0;
  EXPECT_EQ(lzma_easy_buffer_encode(6, LZMA_CHECK_CRC64, nullptr, reinterpret_cast<const std::uint8_t*>(in.data()),
                                    in.size(), reinterpret_cast<std::uint8_t*>(out.data()), &pos, out.size()),
            LZMA_OK);
  out.resize(pos);
  return out;
}

std::string Zstd(const std::string& in) {
  std::string out(ZSTD_compressBound(in.size()), '\0');
  const std::size_t n = ZSTD_compress(out.data(), out.size(), in.data(), in.size(), 3);
  EXPECT_FALSE(ZSTD_isError(n));
  out.resize(n);
  return out;
}

std::string RawDeflate(const std::string& in) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::string out(deflateBound(&z, uLong(in.size())), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  z.avail_in = uInt(in.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = uInt(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

struct Codec {
  const char* name;
  std::uint16_t method;
  std::function<std::string(const std::string&)> compress;
  std::uint16_t flags = 0;
};

const Codec kCodecs[] = {
    {"deflate", 8, RawDeflate},
    {"bzip2", kMethodBzip2, Bzip2},
    {"LZMA with end marker", kMethodLzma, [](const std::string& s) { return LzmaZipForm(s, true); },
     kFlagLzmaEndMarker},
    {"LZMA without end marker", kMethodLzma, [](const std::string& s) { return LzmaZipForm(s, false); }},
    {"XZ", kMethodXz, Xz},
    {"Zstandard", kMethodZstd, Zstd},
};

TEST(Codecs, EachMethodGivesBackWhatItsLibraryCompressed) {
  const std::string plain = Sample();
  for (const Codec& c : kCodecs) {
    const std::string packed = c.compress(plain);
    for (std::size_t step : {std::size_t(1) << 20, std::size_t(7)}) {
      Trickle source(packed, step);
      auto decoder = OpenDecompressor(c.method, source, plain.size(), c.flags);
      EXPECT_TRUE(ReadAll(*decoder) == plain) << c.name << ", read " << step << " bytes at a time";
    }
    // bzip2, XZ and Zstandard streams may follow one another.
    if (c.method == kMethodBzip2 || c.method == kMethodXz || c.method == kMethodZstd) {
      const std::string both = packed + c.compress("and more");
      MemoryStream twice(both);
      auto decoder = OpenDecompressor(c.method, twice, plain.size() + 8);
      EXPECT_TRUE(ReadAll(*decoder) == plain + "and more") << c.name << ", two streams";
    }
  }
}

TEST(Codecs, CutOrDamagedDataIsAnErrorNeverACrash) {
  const std::string plain = Sample();
  for (const Codec& c : kCodecs) {
    const std::string packed = c.compress(plain);
    struct Damage {
      const char* what;
      std::string data;
    } damages[] = {
        {"cut in half", packed.substr(0, packed.size() / 2)},
        {"cut before its last byte", packed.substr(0, packed.size() - 1)},
        {"a byte flipped near the start", packed},
        {"nothing at all", ""},
    };
    damages[2].data[std::min<std::size_t>(40, packed.size() - 1)] ^= 0x55;
    for (const Damage& d : damages) {
      MemoryStream source(d.data);
      std::string out;
      try {
        auto decoder = OpenDecompressor(c.method, source, plain.size(), c.flags);
        out = ReadAll(*decoder);
        // Without an error the data must at least differ (a flipped byte
        // that still decodes; no stream at all is no data).
        EXPECT_NE(out, plain) << c.name << ", " << d.what;
      } catch (const DecodeError& e) {
        EXPECT_NE(e.Code(), 0) << c.name << ", " << d.what;
      }
    }
  }
}

TEST(Codecs, OtherMethodsAreRefusedByName) {
  MemoryStream source(std::string_view("data"));
  struct Case {
    std::uint16_t method;
    const char* text;
  } cases[] = {{98, "98 (PPMd)"}, {6, "6 (Implode)"}, {97, "97 (WavPack)"}, {1234, "1234"}};
  for (const Case& c : cases) {
    EXPECT_FALSE(MethodSupported(c.method));
    EXPECT_EQ(MethodDescription(c.method), c.text);
    try {
      OpenDecompressor(c.method, source, 4);
      ADD_FAILURE() << c.text << " opened";
    } catch (const DecodeError& e) {
      EXPECT_NE(std::string(e.what()).find(c.text), std::string::npos) << e.what();
    }
  }
}

TEST(Codecs, AWindowOrDictionaryBeyondTheLimitIsRefusedNotAllocated) {
  struct Case {
    const char* what;
    std::uint16_t method;
    std::string data;
    std::uint64_t size;
  } cases[] = {
      // A frame that asks for a 1 GiB window, then an empty last block.
      {"Zstandard", kMethodZstd, std::string("\x28\xB5\x2F\xFD\x00\xA0\x01\x00\x00", 9), 0},
      // LZMA properties with a 1 GiB dictionary for an entry of 10 GiB.
      {"LZMA", kMethodLzma, std::string("\x09\x14\x05\x00\x5D\x00\x00\x00\x40\x00\x00\x00\x00", 13), 10ull << 30},
  };
  for (const Case& c : cases) {
    MemoryStream source(c.data);
    try {
      auto decoder = OpenDecompressor(c.method, source, c.size);
      ReadAll(*decoder);
      ADD_FAILURE() << c.what << " decoded";
    } catch (const DecodeError& e) {
      EXPECT_EQ(e.Code(), ORN_ZE_MEMORY) << c.what << ": " << e.what();
      EXPECT_NE(std::string(e.what()).find("MiB of memory"), std::string::npos) << c.what << ": " << e.what();
    }
  }
}

// Writes a deflate stream bit by bit, low bit first, as the format has it.
class BitWriter {
 public:
  void Put(std::uint32_t value, int bits) {
    for (int i = 0; i < bits; ++i) Bit((value >> i) & 1);
  }
  // A Huffman code goes out from its high bit down.
  void Code(std::uint32_t code, int bits) {
    for (int i = bits - 1; i >= 0; --i) Bit((code >> i) & 1);
  }
  std::string Finish() {
    if (count_) out_.push_back(char(cur_));
    return out_;
  }

 private:
  void Bit(std::uint32_t b) {
    cur_ |= b << count_;
    if (++count_ == 8) {
      out_.push_back(char(cur_));
      cur_ = count_ = 0;
    }
  }
  std::string out_;
  std::uint32_t cur_ = 0;
  int count_ = 0;
};

TEST(Deflate64, LongestLengthAndFarthestDistancesDecode) {
  // A stored block of 60000 random bytes, then a fixed-code block with the
  // two things deflate does not have: length 65538 (code 285 and 16 extra
  // bits) at distance 60000 (code 31), and length 3 at distance 33000
  // (code 30); then a literal and the end.
  std::mt19937 gen(3);
  std::string head(60000, '\0');
  for (char& c : head) c = char(gen());
  BitWriter w;
  w.Put(0, 1);
  w.Put(0, 2);
  w.Put(0, 5);  // to the byte boundary
  w.Put(60000, 16);
  w.Put(60000 ^ 0xFFFF, 16);
  std::string stream = w.Finish() + head;
  BitWriter f;
  f.Put(1, 1);
  f.Put(1, 2);
  f.Code(0xC5, 8);  // length code 285: 11000101
  f.Put(65538 - 3, 16);
  f.Code(31, 5);
  f.Put(60000 - 49153, 14);
  f.Code(0x01, 7);  // length code 257 (3): 0000001
  f.Code(30, 5);
  f.Put(33000 - 32769, 14);
  f.Code(0x30 + 'Q', 8);
  f.Code(0, 7);  // end of block
  stream += f.Finish();

  std::string expected = head;
  for (std::size_t i = 0; i < 65538; ++i) expected.push_back(expected[expected.size() - 60000]);
  for (std::size_t i = 0; i < 3; ++i) expected.push_back(expected[expected.size() - 33000]);
  expected.push_back('Q');
  for (std::size_t step : {std::size_t(1) << 20, std::size_t(3)}) {
    Trickle source(stream, step);
    auto decoder = OpenDecompressor(kMethodDeflate64, source, expected.size());
    EXPECT_TRUE(ReadAll(*decoder, 1000) == expected) << "read " << step << " bytes at a time";
  }
  // The same stream cut anywhere in its coded block is an error.
  for (std::size_t cut = stream.size() - 9; cut < stream.size(); ++cut) {
    MemoryStream source(std::string_view(stream).substr(0, cut));
    auto decoder = OpenDecompressor(kMethodDeflate64, source, expected.size());
    EXPECT_THROW(ReadAll(*decoder), DecodeError) << "cut at " << cut;
  }
}

TEST(Deflate64, ADistanceBeforeTheStartIsRefused) {
  BitWriter f;
  f.Put(1, 1);
  f.Put(1, 2);
  f.Code(0x30 + 'A', 8);
  f.Code(0x01, 7);
  f.Code(1, 5);  // distance 2, one byte written so far
  f.Code(0, 7);
  const std::string stream = f.Finish();
  MemoryStream source(stream);
  auto decoder = OpenDecompressor(kMethodDeflate64, source, 4);
  EXPECT_THROW(ReadAll(*decoder), DecodeError);
}

std::string AesEntryData(const std::string& plain, const std::string& password, int strength) {
  const std::string salt = NewAesSalt(strength);
  AesCtrHmac cipher(password, reinterpret_cast<const std::uint8_t*>(salt.data()), strength);
  std::string body = plain;
  // Encrypted in uneven pieces: the key stream runs on across them.
  for (std::size_t at = 0; at < body.size(); at += 5000)
    cipher.Encrypt(reinterpret_cast<std::uint8_t*>(body.data()) + at, std::min<std::size_t>(5000, body.size() - at));
  std::uint8_t mac[kAesMacSize];
  cipher.Mac(mac);
  return salt + std::string(reinterpret_cast<const char*>(cipher.Verifier()), kAesVerifierSize) + body +
         std::string(reinterpret_cast<const char*>(mac), sizeof mac);
}

TEST(WinZipAes, EncryptedDataComesBackOnlyWithThePasswordAndUntouched) {
  const std::string plain = Sample().substr(0, 100000);
  for (int strength = 1; strength <= 3; ++strength) {
    const std::string data = AesEntryData(plain, "sl\xC4\x93pens", strength);
    EXPECT_EQ(data.size(), plain.size() + AesOverhead(strength));
    {
      Trickle source(data, 4097);
      AesDecryptStream aes(source, data.size(), strength, "sl\xC4\x93pens");
      ASSERT_TRUE(aes.PasswordFits());
      EXPECT_TRUE(ReadAll(aes) == plain) << strength;
    }
    {
      MemoryStream source(data);
      AesDecryptStream aes(source, data.size(), strength, "slepens");
      EXPECT_FALSE(aes.PasswordFits());
      EXPECT_THROW(ReadAll(aes), DecodeError);
    }
    // A changed byte of the data or of the code: the code does not match.
    for (std::size_t at : {data.size() / 2, data.size() - 1}) {
      std::string damaged = data;
      damaged[at] ^= 1;
      MemoryStream source(damaged);
      AesDecryptStream aes(source, damaged.size(), strength, "sl\xC4\x93pens");
      try {
        ReadAll(aes);
        ADD_FAILURE() << "damage at " << at << " not found";
      } catch (const DecodeError& e) {
        EXPECT_EQ(e.Code(), ORN_ZE_CRC);
      }
    }
  }
}

TEST(WinZipAes, ExtraFieldIsFoundAmongOthersAndCheckedForSense) {
  const std::string aes = AesExtraField({1, 2, 12});
  const std::string other("\x0a\x00\x04\x00wxyz", 8);
  struct Case {
    const char* what;
    std::string extra;
    bool found;
  } cases[] = {
      {"alone", aes, true},
      {"behind another field", other + aes, true},
      {"none", other, false},
      {"cut short", aes.substr(0, 9), false},
      {"strength 4", aes.substr(0, 8) + "\x04" + aes.substr(9), false},
      {"another vendor", aes.substr(0, 6) + "XY" + aes.substr(8), false},
  };
  for (const Case& c : cases) {
    const std::optional<AesExtra> found = FindAesExtra(c.extra);
    EXPECT_EQ(found.has_value(), c.found) << c.what;
    if (found && c.found) {
      EXPECT_EQ(found->vendorVersion, 1) << c.what;
      EXPECT_EQ(found->strength, 2) << c.what;
      EXPECT_EQ(found->method, 12) << c.what;
    }
  }
}

}  // namespace
}  // namespace orn::zipfmt
