#include "platform/office/engine/commandloop.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <iostream>

#include "platform/office/engine/officeengine.h"
#include "platform/office/protocol.h"
#include "util/writeall.h"

namespace {
int answerOut = 1;
int messageOut = 2;
}  // namespace

void SetAnswerOutput(int fd) {
    answerOut = fd;
}

int AnswerOutput() {
    return answerOut;
}

void SetMessageOutput(int fd) {
    messageOut = fd;
}

void WriteAll(int fd, const std::string& text) {
    // A failed write has no one to tell: these pipes are the only way back.
    (void)WriteAll(fd, text.data(), text.size());
}

void Reply(const std::vector<std::string>& fields) {
    WriteAll(answerOut, EncodeLine(fields) + "\n");
}

void Say(const std::string& text) {
    WriteAll(messageOut, text + "\n");
}

std::string Describe(const std::exception& error) {
    const std::string text = error.what();
    return text.empty() ? std::string("unexpected failure in the presentation engine") : text;
}

void ServeCommands(OfficeEngine& engine) {
    std::string line;
    std::vector<std::string> fields;
    while (std::getline(std::cin, line)) {
        if (!DecodeLine(line, fields) || fields.empty()) {
            Reply({"error", "unreadable command"});
            continue;
        }
        const std::string& command = fields[0];
        const std::string argument = fields.size() > 1 ? fields[1] : std::string();
        try {
            if (command == "open") {
                // The count, then one field for each link left out.
                std::vector<std::string> answer{"ok", std::to_string(engine.open(argument))};
                for (const std::string& note : engine.linksLeftOut()) answer.push_back(note);
                Reply(answer);
            } else if (command == "count") {
                Reply({"ok", std::to_string(engine.slideCount())});
            } else if (command == "saveas") {
                const bool facts = fields.size() > 2 && fields[2] == "facts";
                Reply({"ok", std::to_string(engine.saveBitmaps(argument, facts))});
            } else if (command == "close") {
                engine.close();
                Reply({"ok"});
            } else if (command == "warm") {
                engine.warm();
                Reply({"ok"});
            } else if (command == "quit") {
                Reply({"ok"});
                std::_Exit(0);
            } else {
                Reply({"error", "unknown command " + command});
            }
        } catch (const std::exception& error) {
            Reply({"error", Describe(error)});
        }
    }
    std::_Exit(0);
}
