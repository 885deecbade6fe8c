#pragma once
// Lists and messages for the tutor tests: lists stored straight through the
// database (StoredLists.h), the message boxes and file dialogs answered by
// the test.

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "Pendrel/Platform/KVXFileDialog.h"
#include "Pendrel/Platform/KVXMessageBox.h"
#include "Quenzel/App/QuenzelApp.h"
#include "Quenzel/Tutor/Model/tests/StoredLists.h"

namespace tutortest {

// Records the message boxes and answers them.
class MessageSink {
public:
    explicit MessageSink(int answer = IDOK) : m_answer(answer) {
        KVXSetMessageBoxHandler([this](QWidget*, const CBasicString& text, const CBasicString&, UINT flags) {
            texts.push_back(text.GetString());
            this->flags.push_back(flags);
            return m_answer;
        });
    }
    ~MessageSink() { KVXSetMessageBoxHandler(nullptr); }
    void SetAnswer(int answer) { m_answer = answer; }
    std::wstring Last() const { return texts.empty() ? std::wstring() : texts.back(); }

    std::vector<std::wstring> texts;
    std::vector<UINT> flags;

private:
    int m_answer;
};

// Answers the file dialogs with a path (empty: cancelled).
class FileAnswer {
public:
    explicit FileAnswer(std::wstring path) : m_path(std::move(path)) {
        KVXSetFileDialogHandler([this](QWidget*, const KVXFileDialogRequest& request, KVXFileDialogAnswer& answer) {
            requests.push_back(request);
            if (m_path.empty()) return false;
            answer.path = m_path.c_str();
            return true;
        });
    }
    ~FileAnswer() { KVXSetFileDialogHandler(nullptr); }
    void Set(std::wstring path) { m_path = std::move(path); }

    std::vector<KVXFileDialogRequest> requests;

private:
    std::wstring m_path;
};

} // namespace tutortest
