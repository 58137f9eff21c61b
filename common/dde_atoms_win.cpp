// dde_atoms_win.cpp: see dde_atoms_win.h.
#include "common/dde_atoms_win.h"

#include <algorithm>
#include <climits>
#include <deque>
#include <map>
#include <utility>

namespace win {
namespace {

// References this process holds to initiate atoms, by atom.
std::map<ATOM, int>& Ours() {
    static std::map<ATOM, int> ours;
    return ours;
}

// The atom pairs of the latest initiates, newest first: a handful of names at most in practice.
constexpr size_t kRemembered = 16;
std::deque<std::pair<ATOM, ATOM>>& Remembered() {
    static std::deque<std::pair<ATOM, ATOM>> remembered;
    return remembered;
}

}  // namespace

ATOM AddInitiateAtom(const std::string& name) {
    const ATOM atom = GlobalAddAtomA(name.c_str());
    if (atom)
        ++Ours()[atom];
    return atom;
}

void DeleteInitiateAtom(ATOM atom) {
    if (!atom)
        return;
    const auto found = Ours().find(atom);
    if (found != Ours().end() && --found->second <= 0)
        Ours().erase(found);
    GlobalDeleteAtom(atom);
}

bool DeleteAnswerAtom(ATOM atom) {
    if (!atom)
        return false;
    const auto found = Ours().find(atom);
    const long long ours = found == Ours().end() ? 0 : found->second;
    const int counted = AtomReferences(atom);
    // Unreadable: the platform's rule is all there is to go by.
    if (counted >= 0 && counted <= ours + 1)
        return false;
    GlobalDeleteAtom(atom);
    return true;
}

void RememberInitiate(ATOM service, ATOM topic) {
    auto& remembered = Remembered();
    const std::pair<ATOM, ATOM> pair{service, topic};
    remembered.erase(std::remove(remembered.begin(), remembered.end(), pair), remembered.end());
    remembered.push_front(pair);
    if (remembered.size() > kRemembered)
        remembered.pop_back();
}

bool WasInitiatedWith(ATOM service, ATOM topic) {
    const auto& remembered = Remembered();
    return service && topic &&
           std::find(remembered.begin(), remembered.end(), std::pair<ATOM, ATOM>{service, topic}) != remembered.end();
}

int AtomReferences(ATOM atom) {
    if (atom < MAXINTATOM)
        return INT_MAX;  // an integer atom is no reference at all
    struct BasicInformation {
        USHORT references;
        USHORT pinned;
        USHORT nameLength;
        WCHAR name[256];
    } info{};
    using Query = LONG(WINAPI*)(USHORT, int, void*, ULONG, ULONG*);
    static const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationAtom")));
    if (!query || query(atom, 0 /* basic information */, &info, sizeof info, nullptr) < 0)
        return -1;
    return info.pinned ? INT_MAX : info.references;
}

}  // namespace win
