// Scripted fakes of the user seams: they record every text shown and answer every
// question from a queue the test fills.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "shell/seams.h"

namespace testsupport {

class FakePrompts : public Prompts {
public:
    struct Shown {
        std::string kind;    // "error", "plain", "information", "yesno", "save", "folder"
        std::string text;    // the message, or the title of a file or folder choice
        std::string folder;  // initial folder of a file or folder choice
        std::string filter;  // filter of a save-file choice
    };

    void ErrorBox(const std::string& text) override { shown.push_back({"error", text, {}, {}}); }
    void PlainBox(const std::string& text) override { shown.push_back({"plain", text, {}, {}}); }
    void InformationBox(const std::string& text) override {
        shown.push_back({"information", text, {}, {}});
    }
    bool YesNo(const std::string& text) override {
        shown.push_back({"yesno", text, {}, {}});
        bool answer = yesNoAnswers.empty() ? false : yesNoAnswers.front();
        if (!yesNoAnswers.empty()) yesNoAnswers.pop_front();
        return answer;
    }
    std::string ChooseSaveFile(const std::string& title, const std::string& initialFolder,
                               const std::string& filter) override {
        shown.push_back({"save", title, initialFolder, filter});
        return Next(fileAnswers);
    }
    std::string ChooseFolder(const std::string& title, const std::string& initialFolder) override {
        shown.push_back({"folder", title, initialFolder, {}});
        return Next(fileAnswers);
    }

    std::vector<std::string> Texts(const std::string& kind) const {
        std::vector<std::string> out;
        for (const auto& s : shown)
            if (s.kind == kind) out.push_back(s.text);
        return out;
    }

    std::vector<Shown> shown;
    std::deque<bool> yesNoAnswers;        // empty: No
    std::deque<std::string> fileAnswers;  // empty: cancelled

private:
    static std::string Next(std::deque<std::string>& q) {
        if (q.empty()) return {};
        std::string s = q.front();
        q.pop_front();
        return s;
    }
};

class FakeDesktopShell : public DesktopShell {
public:
    void OpenDocument(const std::string& pathOrUrl) override { opened.push_back(pathOrUrl); }
    std::vector<std::string> opened;
};

}  // namespace testsupport
