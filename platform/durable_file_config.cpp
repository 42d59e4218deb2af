#include "platform/durable_file_config.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include <wx/log.h>
#include <wx/mstream.h>

namespace {

std::string ParentDirectory(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool MakeDirectories(const std::string& dir)
{
    if (dir.empty() || dir == "/" || dir == ".")
        return true;
    struct stat info;
    if (stat(dir.c_str(), &info) == 0)
        return S_ISDIR(info.st_mode);
    if (!MakeDirectories(ParentDirectory(dir)))
        return false;
    return mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

bool WriteAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        ssize_t written = write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

void SyncDirectory(const std::string& dir)
{
    int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

bool ReplaceFileDurably(const std::string& path, const char* data, size_t size)
{
    std::string dir = ParentDirectory(path);
    if (!MakeDirectories(dir))
        return false;
    std::string temp = path + ".XXXXXX";
    int fd = mkstemp(&temp[0]);
    if (fd < 0)
        return false;
    bool ok = WriteAll(fd, data, size) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (ok)
        ok = rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        unlink(temp.c_str());
        return false;
    }
    SyncDirectory(dir);
    return true;
}

// Runs before the toolkit parses the file: an unreadable file is kept aside.
const wxString& SetAsideIfUnreadable(const wxString& path)
{
    std::string file = path.utf8_string();
    int fd = open(file.c_str(), O_RDONLY);
    bool unreadable = fd < 0 ? errno != ENOENT : false;
    if (fd >= 0) {
        char probe;
        unreadable = read(fd, &probe, 1) < 0;
        close(fd);
    }
    if (unreadable) {
        std::string aside = file + ".unreadable";
        rename(file.c_str(), aside.c_str());
    }
    return path;
}

} // namespace

CDurableFileConfig::CDurableFileConfig(const wxString& appName, const wxString& filePath)
    // The wxLogNull lives until the base is built, hushing its parse errors.
    : wxFileConfig((wxLogNull(), appName), wxEmptyString, SetAsideIfUnreadable(filePath),
                   wxEmptyString, wxCONFIG_USE_LOCAL_FILE),
      path(filePath), unsaved(false)
{
    // Our own saves are the only ones: the toolkit's would skip the fsync.
    DisableAutoSave();
}

CDurableFileConfig::~CDurableFileConfig()
{
    Flush();
}

bool CDurableFileConfig::Flush(bool)
{
    return unsaved ? SaveNow() : true;
}

bool CDurableFileConfig::DoWriteString(const wxString& key, const wxString& value)
{
    return wxFileConfig::DoWriteString(key, value) && SaveNow();
}

bool CDurableFileConfig::SaveNow()
{
    wxLogNull quiet;
    wxMemoryOutputStream buffer;
    unsaved = true;
    if (!Save(buffer, wxConvUTF8))
        return false;
    size_t size = buffer.GetSize();
    std::string bytes(size, '\0');
    buffer.CopyTo(&bytes[0], size);
    if (!ReplaceFileDurably(path.utf8_string(), bytes.data(), bytes.size()))
        return false;
    unsaved = false;
    ++saves;
    return true;
}

wxString DefaultConfigFilePath(const wxString& appName)
{
    std::string base;
    const char* xdg = getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') {
        base = xdg;
    } else {
        const char* home = getenv("HOME");
        if (!home || !home[0]) {
            const passwd* user = getpwuid(getuid());
            home = user ? user->pw_dir : "/tmp";
        }
        base = std::string(home) + "/.config";
    }
    std::string app = appName.utf8_string();
    return wxString::FromUTF8(base + "/" + app + "/" + app + ".conf");
}
