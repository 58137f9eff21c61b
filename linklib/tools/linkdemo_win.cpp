// linkdemo: a scripted session of the link library from the command line, for rehearsal and tests.
//
//   linkdemo.exe [--name NAME] STEP...
// Steps, run in order:  register | unregister | say:TEXT | think:TEXT | esp:TARGET:TEXT |
//                       send:TARGET:DATA (DATA escaped: \x0c is a form feed) | getall | pause:MS
// Every request waits up to three seconds for its acknowledgement; what the library reports is printed.
// Exit code: 0 when the session ran, 1 when the library could not be loaded or started, 2 on a bad step.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/escape.h"
#include "linklib/tools/link_session_win.h"

namespace {

void PrintNewReports(testwin::LinkSession& link, size_t& acks, size_t& receives, size_t& texts) {
    for (; acks < link.Acks().size(); ++acks)
        std::printf("ack %s\n", link.Acks()[acks].c_str());
    for (; receives < link.Receives().size(); ++receives) {
        const auto& r = link.Receives()[receives];
        std::printf("received from %s (%ld): %s\n", r.sender.c_str(), static_cast<long>(r.length),
                    common::EscapeBytes(r.data).c_str());
    }
    for (; texts < link.AllTexts().size(); ++texts)
        std::printf("chat text:\n%s", link.AllTexts()[texts].c_str());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    std::string name = "Tumbleroo";
    int first = 1;
    if (argc > 2 && std::string(argv[1]) == "--name") {
        name = argv[2];
        first = 3;
    }
    testwin::LinkSession link;
    if (!link.loaded()) {
        std::fprintf(stderr, "linkdemo: zmvorq.dll could not be loaded\n");
        return 1;
    }
    if (link.Init(name.c_str()) != 0) {
        std::fprintf(stderr, "linkdemo: InitDDE failed\n");
        return 1;
    }
    size_t acks = 0, receives = 0, texts = 0;
    for (int i = first; i < argc; ++i) {
        const std::string step = argv[i];
        const size_t colon = step.find(':');
        const std::string verb = step.substr(0, colon);
        const std::string rest = colon == std::string::npos ? "" : step.substr(colon + 1);
        const size_t colon2 = rest.find(':');
        const std::string first2 = rest.substr(0, colon2);
        const std::string after2 = colon2 == std::string::npos ? "" : rest.substr(colon2 + 1);
        const size_t before = link.Acks().size();
        bool request = true;
        if (verb == "register") {
            link.Register(name.c_str());
        } else if (verb == "unregister") {
            link.Unregister(name.c_str());
        } else if (verb == "say") {
            link.Communicate(name.c_str(), 0, "", rest.c_str());
        } else if (verb == "think") {
            link.Communicate(name.c_str(), 1, "", rest.c_str());
        } else if (verb == "esp" && colon2 != std::string::npos) {
            link.Communicate(name.c_str(), 2, first2.c_str(), after2.c_str());
        } else if (verb == "send" && colon2 != std::string::npos) {
            const auto data = common::UnescapeBytes(after2);
            if (!data) {
                std::fprintf(stderr, "linkdemo: bad escape in %s\n", step.c_str());
                return 2;
            }
            link.Send(name.c_str(), first2.c_str(), *data);
        } else if (verb == "getall") {
            link.GetAllText(name.c_str());
            request = false;  // answered by the reply itself, or by a "-1"
        } else if (verb == "pause") {
            testwin::PumpMessagesUntil([] { return false; }, static_cast<DWORD>(std::atoi(rest.c_str())));
            request = false;
        } else {
            std::fprintf(stderr, "linkdemo: unknown step %s\n", step.c_str());
            return 2;
        }
        if (request)
            link.WaitForAcks(before + 1, 3000);
        PrintNewReports(link, acks, receives, texts);
    }
    link.Kill();
    return 0;
}
