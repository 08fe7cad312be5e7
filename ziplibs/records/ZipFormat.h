// The zip format's numbers, defined once: record signatures and sizes,
// general-purpose flags, compression methods, host systems, extra-field
// identifiers and the limits of the classic records. The directory reader,
// the header writer, both libraries, spanning and the self-extractor all take
// them from here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace orn {

// Record signatures.
constexpr std::uint32_t kLocalHeaderSig = 0x04034b50;
constexpr std::uint32_t kCentralHeaderSig = 0x02014b50;
constexpr std::uint32_t kEndRecordSig = 0x06054b50;
constexpr std::uint32_t kZip64EndRecordSig = 0x06064b50;
constexpr std::uint32_t kZip64LocatorSig = 0x07064b50;
// The optional signature of a data descriptor; the first volume of a
// spanned set begins with the same four bytes.
constexpr std::uint32_t kDataDescriptorSig = 0x08074b50;
constexpr std::uint32_t kSpanMarkerSig = kDataDescriptorSig;

// Fixed parts of the records.
constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kCentralHeaderSize = 46;
constexpr std::size_t kEndRecordSize = 22;
constexpr std::size_t kZip64EndRecordSize = 56;
constexpr std::size_t kZip64LocatorSize = 20;
constexpr std::size_t kCryptHeaderSize = 12;
// The end record and the longest comment it can carry.
constexpr std::size_t kMaxEndScan = 0xFFFF + kEndRecordSize;

// General-purpose flags.
constexpr std::uint16_t kFlagEncrypted = 0x0001;
constexpr std::uint16_t kFlagDescriptor = 0x0008;
constexpr std::uint16_t kFlagStrongEncryption = 0x0040;
constexpr std::uint16_t kFlagUtf8Name = 0x0800;

// Compression methods.
constexpr std::uint16_t kMethodStore = 0;
constexpr std::uint16_t kMethodDeflate = 8;
constexpr std::uint16_t kMethodDeflate64 = 9;
constexpr std::uint16_t kMethodBzip2 = 12;
constexpr std::uint16_t kMethodLzma = 14;
constexpr std::uint16_t kMethodZstd = 93;
constexpr std::uint16_t kMethodXz = 95;
constexpr std::uint16_t kMethodAes = 99;  // AES-encrypted; the real method is in the extra field
// General purpose bit 1 of an LZMA entry: its stream ends with a marker.
constexpr std::uint16_t kFlagLzmaEndMarker = 0x0002;

// A method's name for messages ("Deflate64", "PPMd"); empty when unknown.
std::string MethodName(std::uint16_t method);

// Host systems of the "version made by" field.
constexpr std::uint8_t kHostDos = 0;
constexpr std::uint8_t kHostUnix = 3;
constexpr std::uint8_t kHostHpfs = 6;
constexpr std::uint8_t kHostNtfs = 11;
constexpr std::uint8_t kHostMacOsX = 19;

// Extra-field identifiers.
constexpr std::uint16_t kExtraZip64 = 0x0001;
constexpr std::uint16_t kExtraAes = 0x9901;

// External attributes: DOS bits in the low byte, a Unix mode in the high 16 bits.
constexpr std::uint32_t kDosReadOnly = 0x01;
constexpr std::uint32_t kDosDirectory = 0x10;
constexpr std::uint32_t kUnixTypeMask = 0170000;
constexpr std::uint32_t kUnixRegular = 0100000;
constexpr std::uint32_t kUnixDirectory = 0040000;
constexpr std::uint32_t kUnixSymlink = 0120000;

// Versions needed to extract.
constexpr std::uint16_t kVersionStore = 10;
constexpr std::uint16_t kVersionDeflate = 20;
constexpr std::uint16_t kVersionZip64 = 45;
constexpr std::uint16_t kVersionAes = 51;

// What the classic 16- and 32-bit fields hold; beyond, Zip64 records.
constexpr std::uint64_t kMax32 = 0xFFFFFFFFull;
constexpr std::size_t kMaxEntries = 0xFFFF;

}  // namespace orn
