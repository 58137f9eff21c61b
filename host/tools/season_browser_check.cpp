// season_browser_check: SEASON.HTM as a real browser reads it. Writes the page of a season whose names try every
// trick (markup, entities, quotes, 8-bit letters, Bob and bob), opens it in headless Chromium for the document as
// parsed and for a screenshot, and compares the table's cells, as the browser holds them, with the standings; the
// page must hold no element a name brought in. Exit 0 when they agree, 1 when not, 77 when no Chromium is installed
// (the check is then skipped, and says so).
//
//   season_browser_check OUTDIR     writes OUTDIR/SEASON.HTM, OUTDIR/season-dom.html, OUTDIR/season-page.png
//   CHROMIUM=/path/to/chromium      another browser binary than `chromium` on PATH
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/season.h"
#include "host/season_page.h"

namespace {

using Row = std::vector<std::string>;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::string Quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// The browser in a PATH folder, or nothing.
std::string FindChromium() {
    if (const char* given = std::getenv("CHROMIUM"))
        return access(given, X_OK) == 0 ? given : "";
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path ? path : "");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        for (const char* name : {"chromium", "chromium-browser"}) {
            const std::string candidate = dir + "/" + name;
            if (access(candidate.c_str(), X_OK) == 0)
                return candidate;
        }
    }
    return "";
}

// Text of serialised markup: tags dropped, the references a serialiser writes turned back into characters.
std::string TextOf(const std::string& html) {
    std::string text;
    for (size_t i = 0; i < html.size();) {
        if (html[i] == '<') {
            const size_t end = html.find('>', i);
            i = end == std::string::npos ? html.size() : end + 1;
            continue;
        }
        bool replaced = false;
        for (const auto& [entity, character] : {std::pair<const char*, const char*>{"&amp;", "&"},
                                                {"&lt;", "<"},
                                                {"&gt;", ">"},
                                                {"&quot;", "\""},
                                                {"&#39;", "'"},
                                                {"&nbsp;", "\xC2\xA0"}}) {
            if (html.compare(i, std::string(entity).size(), entity) == 0) {
                text += character;
                i += std::string(entity).size();
                replaced = true;
                break;
            }
        }
        if (!replaced)
            text += html[i++];
    }
    return text;
}

// The body rows of the document's table, each as the text of its cells.
std::vector<Row> TableRows(const std::string& dom) {
    std::vector<Row> rows;
    const size_t body = dom.find("<tbody>"), end = dom.find("</tbody>");
    if (body == std::string::npos || end == std::string::npos)
        return rows;
    for (size_t tr = dom.find("<tr>", body); tr != std::string::npos && tr < end; tr = dom.find("<tr>", tr + 1)) {
        const size_t trEnd = dom.find("</tr>", tr);
        Row row;
        for (size_t td = dom.find("<td", tr); td != std::string::npos && td < trEnd; td = dom.find("<td", td + 1)) {
            const size_t open = dom.find('>', td) + 1;
            const size_t close = dom.find("</td>", open);
            row.push_back(TextOf(dom.substr(open, close - open)));
        }
        rows.push_back(row);
    }
    return rows;
}

std::string Record(const char* when, const std::string& player, host::RecordKind kind) {
    return host::FormatRecord({when, 1, player, "Fruits", kind});
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: season_browser_check OUTDIR\n");
        return 2;
    }
    mkdir(argv[1], 0755);
    char absolute[PATH_MAX];
    if (!realpath(argv[1], absolute)) {
        std::printf("season_browser_check: FAILED: no folder %s\n", argv[1]);
        return 1;
    }
    const std::string out = absolute;
    const std::string chromium = FindChromium();
    if (chromium.empty()) {
        std::printf(
            "season_browser_check: skipped: Chromium is not installed (apt-get install chromium), so "
            "SEASON.HTM was not opened in a browser\n");
        return 77;
    }

    const std::vector<std::string> tricks = {"<b>Ann</b>",
                                             "\"&amp;\"",
                                             "<script>alert(1)</script>",
                                             "Z\xE9lie",
                                             "O'Neil",
                                             "Bob \"the bold\", Jr",
                                             "Bob",
                                             "bob",
                                             "&lt;i&gt;",
                                             "<img src=x onerror=alert(1)>",
                                             "\xC5sa \xD8stby"};
    std::string file = std::string(host::kRoundsHeader) + "\r\n";
    for (size_t k = 0; k < tricks.size(); ++k) {
        for (size_t w = 0; w <= k % 4; ++w)
            file += Record("2026-12-10T21:14:03", tricks[k], host::RecordKind::kWinner);
        file += Record("2026-12-11T20:00:00", tricks[k], host::RecordKind::kLoser);
    }
    for (int p = 0; p < 14; ++p)
        file += Record("2026-12-09T20:00:00", "Player " + std::to_string(p), host::RecordKind::kLoser);
    const host::SeasonStandings standings = host::ComputeStandings(host::ReadSeasonBook(file));
    const std::string page = out + "/SEASON.HTM";
    std::ofstream(page, std::ios::binary) << host::SeasonPage(standings, host::Latin1ToUtf8);

    char profile[] = "/tmp/season-chromium-XXXXXX";
    if (!mkdtemp(profile)) {
        std::printf("season_browser_check: FAILED: no scratch folder for the browser's profile\n");
        return 1;
    }
    const std::string flags =
        " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run"
        " --disable-background-networking --disable-component-update --disable-sync"
        " --hide-scrollbars --user-data-dir=" +
        std::string(profile);
    const std::string url = Quoted("file://" + page);
    const std::string dom = out + "/season-dom.html", png = out + "/season-page.png";
    std::remove(dom.c_str());
    std::remove(png.c_str());
    // A page that ran a script could hold the browser in a dialog for ever: each run has a minute.
    const std::string browser = "timeout -k 5 60 " + Quoted(chromium) + flags;
    const int read = std::system(
        (browser + " --dump-dom " + url + " >" + Quoted(dom) + " 2>" + Quoted(out + "/chromium.log")).c_str());
    const int shot = std::system((browser + " --window-size=900,1300 --screenshot=" + Quoted(png) + " " + url + " >>" +
                                  Quoted(out + "/chromium.log") + " 2>&1")
                                     .c_str());
    std::system(("rm -rf " + Quoted(profile)).c_str());

    std::vector<std::string> failures;
    const std::string parsed = ReadAll(dom);
    if (read != 0 || parsed.empty())
        failures.push_back("Chromium gave no document (see " + out + "/chromium.log)");
    std::vector<Row> expected;
    for (const host::Standing& r : standings.rows)
        expected.push_back({std::to_string(r.rank), host::Latin1ToUtf8(r.player), std::to_string(r.wins),
                            std::to_string(r.rounds), host::WinRateText(r.wins, r.rounds), r.lastPlayed});
    const std::vector<Row> seen = TableRows(parsed);
    if (seen.size() != expected.size())
        failures.push_back("the browser's table has " + std::to_string(seen.size()) + " rows, the standings " +
                           std::to_string(expected.size()));
    for (size_t k = 0; k < seen.size() && k < expected.size(); ++k) {
        if (seen[k] != expected[k]) {
            std::string cells;
            for (const auto& c : seen[k])
                cells += "[" + c + "]";
            failures.push_back("row " + std::to_string(k + 1) + " reads " + cells + ", the standings have " +
                               expected[k][1]);
        }
    }
    for (const char* element : {"<script", "<img", "<b>", "<i>"}) {
        if (parsed.find(element) != std::string::npos)
            failures.push_back(std::string("a name brought an element into the page: ") + element);
    }
    const std::string image = ReadAll(png);
    if (shot != 0 || image.size() < 8 || image.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0)
        failures.push_back("no screenshot (see " + out + "/chromium.log)");

    if (!failures.empty()) {
        for (const auto& f : failures)
            std::printf("season_browser_check: FAILED: %s\n", f.c_str());
        return 1;
    }
    std::printf(
        "season_browser_check: ok: %zu rows read by Chromium as in the standings, no element from a name; "
        "screenshot %s (%zu bytes)\n",
        seen.size(), png.c_str(), image.size());
    return 0;
}
