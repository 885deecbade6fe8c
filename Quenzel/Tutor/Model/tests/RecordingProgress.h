#pragma once
// A progress interface for the tests of the learning view's jobs: it
// records what a job reports and can make it stop.

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "Pendrel/Core/AbstractProgressStatus.h"

namespace learntest {

// Records the reports of a job; it stops the job once running is FALSE,
// which cancelAfter sets after that many steps.
class RecordingProgress : public CAbstractProgressStatus {
public:
    void AddLogMsg(const wchar_t*, const wchar_t*, LOG_ICON_TYPE, UINT) override {}
    const wchar_t* LoadStringW(UINT) override { return L""; }
    const char* WideCharToMultiByte(UINT, const wchar_t*) override { return ""; }
    const wchar_t* MultiByteToWideChar(UINT, const char*) override { return L""; }
    const char* MultiByteToMultiByte(UINT, const char*, UINT) override { return ""; }
    const wchar_t* EncodeURL(const wchar_t*) override { return L""; }
    void SetProgress(const ProgressInfo* info) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!info) return;
        if (info->kind == 1) captions.emplace_back(info->text.GetString());
        if (info->kind == 2) steps.push_back(info->current2);
        if (cancelAfter > 0 && static_cast<int>(steps.size()) >= cancelAfter) running = FALSE;
    }
    const wchar_t* GetDocumentsPath() override { return L""; }
    BOOL IsRunning() override { return running; }

    std::vector<std::wstring> captions;
    std::vector<int> steps;
    int cancelAfter = 0;
    std::atomic<BOOL> running{TRUE};

private:
    std::mutex m_mutex;
};

} // namespace learntest
