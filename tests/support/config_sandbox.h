// Points the configuration store at a fresh temporary folder for one test.
#pragma once

#include <cstdlib>
#include <string>

#include <wx/config.h>

// Puts an environment variable back as it was (set or not) when it goes.
class ScopedEnvironment
{
public:
    explicit ScopedEnvironment(const char* name) : name(name)
    {
        const char* value = getenv(name);
        wasSet = value != nullptr;
        if (wasSet)
            saved = value;
    }

    ~ScopedEnvironment()
    {
        if (wasSet)
            setenv(name, saved.c_str(), 1);
        else
            unsetenv(name);
    }

    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* name;
    std::string saved;
    bool wasSet = false;
};

class ConfigSandbox
{
public:
    ConfigSandbox()
    {
        char pattern[] = "/tmp/skylume-test-XXXXXX";
        root = mkdtemp(pattern);
        setenv("XDG_CONFIG_HOME", root.c_str(), 1);
        Reset();
    }

    ~ConfigSandbox()
    {
        Reset();
        std::string command = "rm -rf '" + root + "'";
        if (std::system(command.c_str()) != 0)
            std::abort();
    }

    // Forgets the installed store, as a new start would.
    static void Reset()
    {
        delete wxConfigBase::Set(nullptr);
    }

    std::string Dir() const { return root + "/skylume"; }
    std::string File() const { return Dir() + "/skylume.conf"; }

private:
    ScopedEnvironment xdg{"XDG_CONFIG_HOME"};
    std::string root;
};
