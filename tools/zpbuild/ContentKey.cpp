#include "ContentKey.h"

#include <cstring>

#include "package/Streams.h"

namespace zp {
namespace {

constexpr uint64_t kPrime1 = 0x9E3779B185EBCA87ULL, kPrime2 = 0xC2B2AE3D27D4EB4FULL, kPrime3 = 0x165667B19E3779F9ULL,
                   kPrime4 = 0x85EBCA77C2B2AE63ULL, kPrime5 = 0x27D4EB2F165667C5ULL;
// Seeds of the two halves of a key, and of the content hashes.
constexpr uint64_t kKeySeed1 = 0x5A50494E4B455931ULL, kKeySeed2 = 0x5A50494E4B455932ULL, kContentSeed = 0;

uint64_t Rotl(uint64_t x, int r) { return (x << r) | (x >> (64 - r)); }

uint64_t Read64(const uint8_t* p) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = v << 8 | p[i];
  return v;
}

uint64_t Round(uint64_t acc, uint64_t input) { return Rotl(acc + input * kPrime2, 31) * kPrime1; }

uint64_t Merge(uint64_t acc, uint64_t lane) { return (acc ^ Round(0, lane)) * kPrime1 + kPrime4; }

void AddU64(THash64& hash, uint64_t value) {
  uint8_t bytes[8];
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
  hash.Add(bytes, 8);
}

uint64_t HashContent(const TContent& content) {
  THash64 hash(kContentSeed);
  if (!content.FromFile()) {
    hash.Add(content.Bytes.data(), content.Bytes.size());
    return hash.Value();
  }
  try {
    TFileStream file(content.SourcePath, TFileMode::OpenRead);
    std::vector<uint8_t> buffer(64 * 1024);
    while (const int64_t n = file.Read(buffer.data(), static_cast<int64_t>(buffer.size())))
      hash.Add(buffer.data(), static_cast<size_t>(n));
  } catch (const EZpError& e) {
    throw EProjectError(content.SourcePath + ": " + e.Message());
  }
  return hash.Value();
}

}  // namespace

THash64::THash64(uint64_t seed)
    : lanes_{seed + kPrime1 + kPrime2, seed + kPrime2, seed, seed - kPrime1}, seed_(seed) {}

void THash64::Stripe(const uint8_t* p) {
  for (int i = 0; i < 4; ++i) lanes_[i] = Round(lanes_[i], Read64(p + 8 * i));
}

void THash64::Add(const uint8_t* data, size_t size) {
  length_ += size;
  if (pendingSize_ > 0) {
    const size_t take = std::min(size, sizeof pending_ - pendingSize_);
    std::memcpy(pending_ + pendingSize_, data, take);
    pendingSize_ += take, data += take, size -= take;
    if (pendingSize_ < sizeof pending_) return;
    Stripe(pending_);
    pendingSize_ = 0;
  }
  for (; size >= 32; data += 32, size -= 32) Stripe(data);
  std::memcpy(pending_, data, size);
  pendingSize_ = size;
}

uint64_t THash64::Value() const {
  uint64_t h = length_ >= 32 ? Rotl(lanes_[0], 1) + Rotl(lanes_[1], 7) + Rotl(lanes_[2], 12) + Rotl(lanes_[3], 18)
                             : seed_ + kPrime5;
  if (length_ >= 32)
    for (uint64_t lane : lanes_) h = Merge(h, lane);
  h += length_;
  const uint8_t* p = pending_;
  size_t left = pendingSize_;
  for (; left >= 8; p += 8, left -= 8) h = Rotl(h ^ Round(0, Read64(p)), 27) * kPrime1 + kPrime4;
  if (left >= 4) {
    const uint64_t word = uint64_t(p[0]) | uint64_t(p[1]) << 8 | uint64_t(p[2]) << 16 | uint64_t(p[3]) << 24;
    h = Rotl(h ^ (word * kPrime1), 23) * kPrime2 + kPrime3;
    p += 4, left -= 4;
  }
  for (; left > 0; ++p, --left) h = Rotl(h ^ (*p * kPrime5), 11) * kPrime1;
  h ^= h >> 33, h *= kPrime2, h ^= h >> 29, h *= kPrime3, h ^= h >> 32;
  return h;
}

TContentKey DeriveContentKey(const std::vector<uint8_t>& tagStream, const std::vector<const TContent*>& contents) {
  THash64 first(kKeySeed1), second(kKeySeed2);
  for (THash64* hash : {&first, &second}) hash->Add(tagStream.data(), tagStream.size());
  for (const TContent* content : contents) {
    const uint64_t digest = HashContent(*content);
    for (THash64* hash : {&first, &second}) AddU64(*hash, digest);
  }
  TContentKey key;
  const uint64_t halves[2] = {first.Value(), second.Value()};
  for (size_t i = 0; i < key.size(); ++i) key[i] = static_cast<uint8_t>(halves[i / 8] >> (8 * (i % 8)));
  return key;
}

}  // namespace zp
