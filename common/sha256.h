// sha256.h: SHA-256 (FIPS 180-4), portable, for the digest of the running program that its About box shows.
//
//     common::Sha256 digest;
//     digest.Update(part1);
//     digest.Update(part2);
//     std::string hex = digest.HexDigest();   // 64 lower-case hex digits
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace common {

class Sha256 {
  public:
    Sha256();
    void Update(std::string_view bytes);
    // The digest of everything passed to Update so far. Ends the hash: call it once.
    std::string HexDigest();

  private:
    void Block(const unsigned char* block);

    std::array<std::uint32_t, 8> state_;
    std::array<unsigned char, 64> pending_{};
    std::size_t pendingSize_ = 0;
    std::uint64_t totalBytes_ = 0;
};

std::string Sha256Hex(std::string_view bytes);

}  // namespace common
