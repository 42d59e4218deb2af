#include "platform/durable_file_config.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <wx/log.h>
#include <wx/mstream.h>

#include "platform/save_temporaries.h"

namespace {

std::string ParentDirectory(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string FileName(const std::string& path)
{
    return path.substr(path.find_last_of('/') + 1);
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
    std::string temp = dir + "/" + TemporaryPrefix(FileName(path), long(getpid())) + "XXXXXX";
    int fd = mkostemp(&temp[0], O_CLOEXEC);
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

// A file system without the no-replace flag (NFS, many FUSE mounts) refuses
// it outright: there the name is checked first.
bool RenameNoReplace(const std::string& from, const std::string& to)
{
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    struct stat existing;
    if (lstat(to.c_str(), &existing) == 0) {
        errno = EEXIST;
        return false;
    }
    return rename(from.c_str(), to.c_str()) == 0;
}

// Under a name no other file has: one set aside earlier stays as it is.
void SetAside(const std::string& file)
{
    std::string aside = file + ".unreadable";
    for (int n = 2; n < 100; ++n) {
        if (RenameNoReplace(file, aside) || errno != EEXIST)
            return;
        aside = file + ".unreadable." + std::to_string(n);
    }
}

// Runs before the toolkit parses the file: stale temporaries go, and an
// unreadable file is kept aside. Anything but a regular file (a folder, a
// pipe that would wait for a writer for ever) cannot be read as one.
const wxString& PrepareFile(const wxString& path)
{
    std::string file = path.utf8_string();
    RemoveStaleTemporaries(ParentDirectory(file), FileName(file));
    int fd = open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    bool unreadable = fd < 0 ? errno != ENOENT : false;
    if (fd >= 0) {
        struct stat info;
        char probe;
        unreadable = fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || read(fd, &probe, 1) < 0;
        close(fd);
    }
    if (unreadable)
        SetAside(file);
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
