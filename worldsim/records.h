// records.h: the request records programs poke to the world, the refusal codes it answers with, and the
// acknowledgement and receive blocks it pokes back.
#pragma once

#include <string>
#include <string_view>

namespace worldsim {

inline constexpr char kFieldSeparator = '\x0c';

// Acknowledgement codes; the world sends them as decimal text.
enum AckCode : int {
    kAckOk = 0,
    kAckTargetNotLoggedOn = 1,
    kAckTooManyNames = 8,
    kAckAlreadyRegistered = 9,
    kAckNotRegistered = 10,
    kAckNoText = 11,
    kAckEspWithoutTarget = 12,
    kAckGhost = 13,
    kAckArgumentsMissing = 14,
    kAckNegativeLength = 15,
    kAckNoData = 16,
    kAckNotLoggedIn = 17,
};

enum class Mode { Speak, Think, Esp };

struct CommunicateRecord {
    std::string name;
    Mode mode = Mode::Speak;
    std::string target;
    std::string text;
};

struct SendRecord {
    std::string name;
    std::string target;
    std::string data;
};

// code != kAckOk: the record is refused with that code and `record` is meaningless.
template <class T>
struct Parsed {
    int code = kAckOk;
    T record{};
};

std::string CallerName(std::string_view block);
Parsed<std::string> ParseNameRecord(std::string_view block);
Parsed<CommunicateRecord> ParseCommunicate(std::string_view block);
Parsed<SendRecord> ParseSend(std::string_view block);

std::string AckBlock(std::string_view codeText);
std::string ReceiveBlock(std::string_view sender, std::string_view data);

}  // namespace worldsim
