#pragma once
// The Win32 side of running the install list: reading the list file, expanding
// entries with the environment and the registry, starting the programs, and
// the worker thread that does it all while the dialog animates.
#include "install/core/InstallRules.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace glint::install {

// Tells the dialog that the list is done; posted until the dialog stops the job.
inline constexpr UINT WM_INSTALL_DONE = WM_APP + 1;

// This program's full path.
std::string ModulePath();

// The entries of the list file as written (not yet expanded), read in full
// however long they are.
std::vector<std::string> ReadInstallList(const std::string& listPath);

// A text value under HKEY_LOCAL_MACHINE; empty when it is missing or not text.
std::string ReadMachineText(const char* subkey, const char* valueName);

// Environment variables first, then the placeholders.
std::string ExpandEntry(const std::string& entry, const std::string& programFolder);

// What the dialog and the worker share. The worker only reads it and posts to
// the dialog; stop is set when the dialog is done with the list or closes.
struct InstallJob {
    InstallJob();
    ~InstallJob();
    InstallJob(const InstallJob&) = delete;
    InstallJob& operator=(const InstallJob&) = delete;

    void Stop() { SetEvent(stop); }
    bool Stopped() const { return WaitForSingleObject(stop, 0) == WAIT_OBJECT_0; }

    HWND dialog = nullptr;
    HANDLE stop = nullptr; // manual-reset event
};

// Starts the list's programs hidden, one at a time; a stop wakes every wait at
// once (a program already started keeps running, none further starts).
class CProcessRunner : public EntryRunner {
public:
    explicit CProcessRunner(HANDLE stopEvent) : m_stop(stopEvent) {}
    bool StartAndWait(const std::string& commandLine) override;
    bool Pause(unsigned milliseconds) override;
    bool Stopped() const override;
    void ReportStartFailure(const std::string& commandLine) override;

    static std::string FailureText(const std::string& commandLine);

private:
    HANDLE m_stop;
};

// The worker thread: reads, expands and runs the list, then posts
// WM_INSTALL_DONE every second until stopped. Takes a heap-held
// std::shared_ptr<InstallJob> and frees it.
unsigned __stdcall RunInstallList(void* job);

// Starts RunInstallList on its own thread; null when it could not.
HANDLE StartInstallWorker(const std::shared_ptr<InstallJob>& job);

} // namespace glint::install
