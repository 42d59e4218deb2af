#include "platform/durable_file_config.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
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

// Our files are UTF-8, but one stray byte must not make the whole file
// unreadable: bytes that are not UTF-8 are carried as private-use characters
// and written back as they were, and whatever stands before the file's first
// ASCII character (a byte-order mark, whole or broken) is dropped.
class CTolerantUtf8 : public wxMBConvUTF8
{
public:
    CTolerantUtf8() : wxMBConvUTF8(MAP_INVALID_UTF8_TO_PUA) {}

    size_t ToWChar(wchar_t* dst, size_t dstLen, const char* src,
                   size_t srcLen = wxNO_LEN) const override
    {
        size_t skip = 0;
        while ((srcLen == wxNO_LEN || skip < srcLen) && (src[skip] & 0x80))
            ++skip;
        size_t rest = srcLen == wxNO_LEN ? wxNO_LEN : srcLen - skip;
        return wxMBConvUTF8::ToWChar(dst, dstLen, src + skip, rest);
    }

    wxMBConv* Clone() const override { return new CTolerantUtf8; }
};

const CTolerantUtf8 g_fileEncoding;

// "<name>.XXXXXX" as mkstemp makes it from "<name>".
bool IsTemporaryOf(const char* entry, const std::string& name)
{
    size_t length = name.size();
    if (std::strncmp(entry, name.c_str(), length) != 0 || entry[length] != '.'
        || std::strlen(entry + length + 1) != 6)
        return false;
    for (const char* c = entry + length + 1; *c; ++c)
        if (!std::isalnum(static_cast<unsigned char>(*c)))
            return false;
    return true;
}

// A save cut short by a kill leaves its temporary file behind.
void RemoveStaleTemporaries(const std::string& path)
{
    std::string dir = ParentDirectory(path);
    std::string name = path.substr(path.find_last_of('/') + 1);
    DIR* folder = opendir(dir.c_str());
    if (!folder)
        return;
    while (const dirent* entry = readdir(folder))
        if (IsTemporaryOf(entry->d_name, name))
            unlink((dir + "/" + entry->d_name).c_str());
    closedir(folder);
}

// Runs before the toolkit parses the file: stale temporaries go, and an
// unreadable file is kept aside.
const wxString& PrepareFile(const wxString& path)
{
    std::string file = path.utf8_string();
    RemoveStaleTemporaries(file);
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
    : wxFileConfig((wxLogNull(), appName), wxEmptyString, PrepareFile(filePath), wxEmptyString,
                   wxCONFIG_USE_LOCAL_FILE, g_fileEncoding),
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
    if (!Save(buffer, g_fileEncoding))
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
