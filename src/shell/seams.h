// The seams between the logic and the windows. The logic never calls a window toolkit:
// it talks to these interfaces; the windows implement them with Qt and the tests with
// scripted fakes that record every text and answer every question.
#pragma once

#include <string>
#include <vector>

// Message boxes and file choices. Texts are UTF-8.
class Prompts {
public:
    virtual ~Prompts() = default;
    virtual void ErrorBox(const std::string& text) = 0;        // error sign, OK
    virtual void PlainBox(const std::string& text) = 0;        // no sign, OK, application title
    virtual void InformationBox(const std::string& text) = 0;  // information sign, OK
    virtual bool YesNo(const std::string& text) = 0;           // true only for Yes
    // Save-file dialog: title, initial folder (may be empty), filter ("Text (*.x)|*.X").
    // Returns the chosen full name, or empty when cancelled.
    virtual std::string ChooseSaveFile(const std::string& title, const std::string& initialFolder,
                                       const std::string& filter) = 0;
    // Folder choice; empty when cancelled.
    virtual std::string ChooseFolder(const std::string& title,
                                     const std::string& initialFolder) = 0;
};

// The splash window's progress line: a list of lines of which the first is shown.
class SplashProgress {
public:
    virtual ~SplashProgress() = default;
    virtual void Clear() = 0;
    virtual void Add(const std::string& line) = 0;
    virtual void SetLine(int index, const std::string& line) = 0;  // index 0 when empty: adds
    virtual void ReplaceLast(const std::string& line) = 0;
    virtual void AppendToLast(const std::string& text) = 0;  // "OK" after a step
    virtual std::vector<std::string> Lines() const = 0;
};

// The desktop's handlers for files and links.
class DesktopShell {
public:
    virtual ~DesktopShell() = default;
    virtual void OpenDocument(const std::string& pathOrUrl) = 0;
};

// The request to end the program (acted on by the application when the event loop would run).
class ProgramControl {
public:
    virtual ~ProgramControl() = default;
    virtual void RequestEnd() = 0;
    virtual bool EndRequested() const = 0;
};

// A splash progress line kept in memory: what the tests read and what the windows render.
class MemorySplashProgress : public SplashProgress {
public:
    void Clear() override { m_lines.clear(); }
    void Add(const std::string& line) override { m_lines.push_back(line); }
    void SetLine(int index, const std::string& line) override {
        if (index < 0) return;
        if (static_cast<std::size_t>(index) >= m_lines.size()) m_lines.resize(index + 1);
        m_lines[index] = line;
    }
    void ReplaceLast(const std::string& line) override {
        if (m_lines.empty())
            m_lines.push_back(line);
        else
            m_lines.back() = line;
    }
    void AppendToLast(const std::string& text) override {
        if (m_lines.empty())
            m_lines.push_back(text);
        else
            m_lines.back() += text;
    }
    std::vector<std::string> Lines() const override { return m_lines; }

private:
    std::vector<std::string> m_lines;
};

class SimpleProgramControl : public ProgramControl {
public:
    void RequestEnd() override { m_end = true; }
    bool EndRequested() const override { return m_end; }

private:
    bool m_end = false;
};
