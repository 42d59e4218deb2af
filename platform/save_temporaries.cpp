#include "platform/save_temporaries.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::string FirstLineOf(const char* path)
{
    std::string line;
    if (FILE* file = std::fopen(path, "r")) {
        char buffer[128];
        if (std::fgets(buffer, sizeof buffer, file))
            line = buffer;
        std::fclose(file);
    }
    return line.substr(0, line.find('\n'));
}

std::string LinkTarget(const char* path)
{
    char buffer[128];
    ssize_t length = readlink(path, buffer, sizeof buffer);
    return length > 0 ? std::string(buffer, static_cast<size_t>(length)) : std::string();
}

// Processes are told apart by id only within one boot of one machine and one
// PID namespace: containers on one machine share its boot but not their
// namespaces. Without /proc the host name has to do.
std::string HostIdentity()
{
    std::string boot = FirstLineOf("/proc/sys/kernel/random/boot_id");
    std::string pids = LinkTarget("/proc/self/ns/pid");
    if (!boot.empty())
        return boot + " " + pids;
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    return std::string(host) + " " + pids;
}

// FNV-1a: short, and any characters in, only hex digits out.
std::string HostTag()
{
    static const std::string tag = [] {
        uint64_t hash = 14695981039346656037ull;
        for (unsigned char c : HostIdentity()) {
            hash ^= c;
            hash *= 1099511628211ull;
        }
        char hex[17];
        std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
        return std::string(hex);
    }();
    return tag;
}

// The writer of a temporary of ours from this host, as its name says; 0 for
// any other name.
long WriterOfTemporary(const char* entry, const std::string& name)
{
    std::string start = "." + name + "." + HostTag() + ".";
    if (std::strncmp(entry, start.c_str(), start.size()) != 0)
        return 0;
    const char* digits = entry + start.size();
    if (*digits < '1' || *digits > '9')
        return 0;
    char* end = nullptr;
    long writer = std::strtol(digits, &end, 10);
    if (*end != '.' || std::strlen(end + 1) != 6)
        return 0;
    for (const char* c = end + 1; *c; ++c)
        if (!std::isalnum(static_cast<unsigned char>(*c)))
            return 0;
    return writer;
}

bool HasEnded(long process)
{
    return kill(pid_t(process), 0) != 0 && errno == ESRCH;
}

} // namespace

std::string TemporaryPrefix(const std::string& name, long writer)
{
    return "." + name + "." + HostTag() + "." + std::to_string(writer) + ".";
}

void RemoveStaleTemporaries(const std::string& dir, const std::string& name)
{
    DIR* folder = opendir(dir.c_str());
    if (!folder)
        return;
    while (const dirent* entry = readdir(folder)) {
        long writer = WriterOfTemporary(entry->d_name, name);
        struct stat info;
        if (writer && HasEnded(writer)
            && fstatat(dirfd(folder), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0
            && S_ISREG(info.st_mode))
            unlinkat(dirfd(folder), entry->d_name, 0);
    }
    closedir(folder);
}
