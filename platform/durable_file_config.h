// The configuration store: the toolkit's file configuration, written through
// at once. Every write replaces the file atomically (temporary file, fsync,
// rename), so a crash or a kill never loses or corrupts what was stored.
#pragma once

#include <wx/fileconf.h>

class CDurableFileConfig : public wxFileConfig
{
public:
    // A file that exists but cannot be read is moved aside to "<path>.unreadable"
    // (or ".unreadable.2" and on, when that is taken) rather than silently
    // overwritten; the store then starts empty. Bytes that are not UTF-8 are
    // read and written back unchanged, so one bad byte spoils at most its own
    // line. Saves write a hidden temporary named after the writing machine and
    // process; this machine's whose process has ended were cut short and are
    // removed. No other file in the folder is touched.
    CDurableFileConfig(const wxString& appName, const wxString& path);
    ~CDurableFileConfig() override;

    bool Flush(bool currentOnly = false) override;

    const wxString& GetFilePath() const { return path; }
    // False after a write that could not reach the disk, until one does.
    bool IsSaved() const { return !unsaved; }
    // How many times the file has been replaced; for tests.
    int GetSaveCount() const { return saves; }

protected:
    // Numbers are written through here too, so each write saves once.
    bool DoWriteString(const wxString& key, const wxString& value) override;

private:
    bool SaveNow();

    wxString path;
    bool unsaved;
    int saves = 0;
};

// "$XDG_CONFIG_HOME/<app>/<app>.conf", with the XDG default of ~/.config.
wxString DefaultConfigFilePath(const wxString& appName);
