// season_page.cpp: SEASON.HTM written from the standings. Every text that comes from the game (names, dates)
// goes through EscapeHtml, so that a player called <b>Ann</b> shows as typed and no name can add markup.
//
//     <!DOCTYPE html> ... <meta charset="utf-8"> ... <h1>Tumbleroo Season 3</h1> <p>Season 3: 42 rounds, ...</p>
//     <svg ...> one bar per player of the top 20: name, bar, wins </svg>
//     <table> <thead> Rank Player Wins Rounds played Win rate Last played </thead> <tbody> one row a player </tbody>
#include "host/season_page.h"

#include <algorithm>

namespace host {
namespace {

constexpr int kChartWidth = 640;
constexpr int kNameWidth = 200;
constexpr int kBarRow = 22;
constexpr int kBarHeight = 16;
constexpr size_t kChartNameLetters = 24;  // what fits left of the bars; longer names end in an ellipsis there

constexpr char kStyle[] =
    "body{font-family:sans-serif;margin:1.5em;color:#111;background:#fff}"
    "h1{font-size:1.5em;margin:0 0 .3em}"
    "table{border-collapse:collapse;margin-top:1em}"
    "th,td{border:1px solid #999;padding:.2em .6em;text-align:left}"
    "th{background:#0ff}"
    "td.n{text-align:right}"
    "svg text{font-family:sans-serif;font-size:13px}";

std::string Escaped(const ToUtf8& toUtf8, std::string_view text) {
    return EscapeHtml(toUtf8(text));
}

// At most kChartNameLetters characters of UTF-8 text, cut between characters.
std::string ChartName(std::string utf8) {
    size_t letters = 0;
    for (size_t i = 0; i < utf8.size(); ++i) {
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80)
            continue;
        if (++letters == kChartNameLetters) {
            size_t end = i + 1;
            while (end < utf8.size() && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80)
                ++end;
            if (end < utf8.size()) {
                utf8.resize(i);
                utf8 += "\xE2\x80\xA6";  // U+2026
            }
            break;
        }
    }
    return utf8;
}

void Cell(std::string& out, const std::string& escaped, bool number) {
    out += number ? "<td class=\"n\">" : "<td>";
    out += escaped;
    out += "</td>";
}

void Chart(std::string& out, const SeasonStandings& s, const ToUtf8& toUtf8) {
    const size_t shown = std::min(s.rows.size(), kChartPlayers);
    if (shown == 0)
        return;
    const int most = std::max(1, s.rows.front().wins);
    const int height = static_cast<int>(shown) * kBarRow + 24;
    const int barSpace = kChartWidth - kNameWidth - 50;
    out += "<h2>Wins</h2>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(kChartWidth) +
           "\" height=\"" + std::to_string(height) + "\" role=\"img\" aria-label=\"Wins per player";
    if (shown < s.rows.size())
        out += ", the top " + std::to_string(shown) + " players";
    out += "\">\n";
    for (size_t k = 0; k < shown; ++k) {
        const Standing& r = s.rows[k];
        const int y = static_cast<int>(k) * kBarRow;
        const int width = r.wins * barSpace / most;
        const std::string baseline = std::to_string(y + 13);
        out += "<text x=\"" + std::to_string(kNameWidth - 6) + "\" y=\"" + baseline + "\" text-anchor=\"end\">" +
               EscapeHtml(ChartName(toUtf8(r.player))) + "</text>";
        out += "<rect x=\"" + std::to_string(kNameWidth) + "\" y=\"" + std::to_string(y + 1) + "\" width=\"" +
               std::to_string(width) + "\" height=\"" + std::to_string(kBarHeight) + "\" fill=\"#08a\"/>";
        out += "<text x=\"" + std::to_string(kNameWidth + width + 4) + "\" y=\"" + baseline + "\">" +
               std::to_string(r.wins) + "</text>\n";
    }
    out += "</svg>\n";
    if (shown < s.rows.size())
        out += "<p>The chart shows the top " + std::to_string(shown) + " of " + std::to_string(s.rows.size()) +
               " players; the table shows them all.</p>\n";
}

}  // namespace

std::string Latin1ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (byte >> 6));
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return out;
}

std::string EscapeHtml(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() + 8);
    for (char c : utf8) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
                    out += "\xEF\xBF\xBD";  // U+FFFD: a control character is no letter of a name
                else
                    out += c;
        }
    }
    return out;
}

std::string SeasonPage(const SeasonStandings& s, const ToUtf8& toUtf8) {
    const std::string title = "Tumbleroo Season " + std::to_string(s.season);
    std::string out;
    out.reserve(4096 + s.rows.size() * 200);
    out += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + title +
           "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n<h1>" + title + "</h1>\n<p>" +
           Escaped(toUtf8, SeasonSummary(s)) + "</p>\n";
    Chart(out, s, toUtf8);
    out +=
        "<table>\n<thead><tr><th>Rank</th><th>Player</th><th>Wins</th><th>Rounds played</th><th>Win rate</th>"
        "<th>Last played</th></tr></thead>\n<tbody>\n";
    for (const Standing& r : s.rows) {
        out += "<tr>";
        Cell(out, std::to_string(r.rank), true);
        Cell(out, Escaped(toUtf8, r.player), false);
        Cell(out, std::to_string(r.wins), true);
        Cell(out, std::to_string(r.rounds), true);
        Cell(out, WinRateText(r.wins, r.rounds), true);
        Cell(out, Escaped(toUtf8, r.lastPlayed), false);
        out += "</tr>\n";
    }
    out += "</tbody>\n</table>\n</body>\n</html>\n";
    return out;
}

}  // namespace host
