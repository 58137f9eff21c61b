// Fuzz target: ROUNDS.CSV read into the season's standings, then one round appended to it.
// Invariants: no more unread lines than the file has lines; every standing has 0 <= wins <= rounds, the rounds add
// up to the season's, ranks follow the order (wins descending, shared only by equal wins and rates); a round
// appended to whatever the file holds is read back, and every line read or unread before stays so.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "host/season.h"

namespace {

class MemoryRounds : public host::RoundsStore {
  public:
    explicit MemoryRounds(std::string file) : file_(std::move(file)) {}
    host::ReadResult Read(size_t) override { return {host::ReadStatus::kOk, file_}; }
    host::WriteResult Append(std::string_view bytes) override {
        file_ += bytes;
        return {};
    }
    std::string Now() override { return "2026-12-10T21:14:03"; }
    const std::string& File() const { return file_; }

  private:
    std::string file_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string file(reinterpret_cast<const char*>(data), size);
    const host::SeasonBook book = host::ReadSeasonBook(file);
    size_t lines = 0;
    for (size_t i = 0; i < file.size(); ++i)
        lines += (file[i] == '\n' || (file[i] == '\r' && (i + 1 == file.size() || file[i + 1] != '\n'))) ? 1 : 0;
    if (book.UnreadLines() < 0 || static_cast<size_t>(book.UnreadLines()) > lines + 1)
        std::abort();
    const host::SeasonStandings s = host::ComputeStandings(book);
    int rounds = 0;
    for (size_t k = 0; k < s.rows.size(); ++k) {
        const host::Standing& r = s.rows[k];
        if (r.wins < 0 || r.wins > r.rounds || r.rounds < 1 || r.rank < 1 || r.rank > static_cast<int>(k) + 1)
            std::abort();
        if (k > 0) {
            const host::Standing& p = s.rows[k - 1];
            const bool tied = r.wins == p.wins && std::int64_t{r.wins} * p.rounds == std::int64_t{p.wins} * r.rounds;
            if (r.wins > p.wins || (r.rank == p.rank) != tied || (!tied && r.rank != static_cast<int>(k) + 1))
                std::abort();
        }
        rounds += r.rounds;
    }
    if (rounds != s.rounds)
        std::abort();

    MemoryRounds store(file);
    if (!host::AppendRecord(store, {"", 0, "Ann", "Fruits", host::RecordKind::kWinner}).ok)
        std::abort();
    const host::SeasonBook after = host::ReadSeasonBook(store.File());
    if (after.UnreadLines() != book.UnreadLines() || after.CurrentSeason() != book.CurrentSeason() ||
        after.Rounds(after.CurrentSeason()).size() != book.Rounds(book.CurrentSeason()).size() + 1 ||
        after.Players()[static_cast<size_t>(after.Rounds(after.CurrentSeason()).back().player)] != "Ann")
        std::abort();
    return 0;
}
