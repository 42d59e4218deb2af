#include "platform/desktop_mode_record.h"

#include <X11/Xatom.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/crtc_configs.h"

namespace {

const char kRecordProperty[] = "_SKYLUME_DESKTOP_MODES";
const char kHeader[] = "skylume display modes";

char g_ownName[64] = "";

Atom RecordAtom()
{
    static Atom atom = None;
    if (atom == None)
        atom = XInternAtom(XConnection(), kRecordProperty, False);
    return atom;
}

// A game is running while the X server says its name has an owner: the
// server lets go of it when the game's connection closes.
bool OwnerIsLive(const char* owner)
{
    Atom name = XInternAtom(XConnection(), owner, True);
    return name != None && XGetSelectionOwner(XConnection(), name) != None;
}

char* NextLine(char** rest)
{
    if (!**rest)
        return nullptr;
    char* line = *rest;
    char* end = std::strchr(line, '\n');
    *rest = end ? end + 1 : line + std::strlen(line);
    if (end)
        *end = 0;
    return line;
}

// "<key> <text>" into a field of the given size.
bool ParseText(const char* line, const char* key, char* field, size_t size)
{
    size_t keyLength = std::strlen(key);
    if (!line || std::strncmp(line, key, keyLength) != 0 || line[keyLength] != ' '
        || std::strlen(line + keyLength + 1) >= size)
        return false;
    std::strcpy(field, line + keyLength + 1);
    return field[0] != 0;
}

bool ParseCrtc(const char* line, CrtcConfig* c, RRMode* switchedTo)
{
    unsigned long crtc, mode, to;
    unsigned rotation;
    int used = 0;
    if (std::sscanf(line, "crtc %lu %d %d %lu %u %lu %d%n", &crtc, &c->x, &c->y, &mode, &rotation,
                    &to, &c->outputCount, &used)
            != 7
        || c->outputCount < 0 || c->outputCount > MaxOutputsPerCrtc)
        return false;
    for (int k = 0; k < c->outputCount; ++k) {
        unsigned long output;
        int n = 0;
        if (std::sscanf(line + used, " %lu%n", &output, &n) != 1)
            return false;
        c->outputs[k] = output;
        used += n;
    }
    c->crtc = crtc;
    c->mode = mode;
    c->rotation = Rotation(rotation);
    *switchedTo = to;
    return true;
}

bool Listed(const XID* ids, int count, XID id)
{
    return std::find(ids, ids + count, id) != ids + count;
}

// Everything the record names still exists on this server.
bool Recognised(const XRRScreenResources* res, const CrtcConfig& config)
{
    if (!Listed(res->crtcs, res->ncrtc, config.crtc) || !FindMode(res, config.mode))
        return false;
    for (int k = 0; k < config.outputCount; ++k)
        if (!Listed(res->outputs, res->noutput, config.outputs[k]))
            return false;
    return true;
}

} // namespace

const char* OwnName()
{
    if (g_ownName[0])
        return g_ownName;
    // The process id alone comes back; with the time it does not.
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    std::snprintf(g_ownName, sizeof g_ownName, "_SKYLUME_GAME_%ld_%lld_%ld", long(getpid()),
                  static_cast<long long>(now.tv_sec), now.tv_nsec);
    if (Display* x = XConnection()) {
        Window holder = XCreateWindow(x, XRoot(), 0, 0, 1, 1, 0, CopyFromParent, InputOnly,
                                      CopyFromParent, 0, nullptr);
        XSetSelectionOwner(x, XInternAtom(x, g_ownName, False), holder, CurrentTime);
    }
    return g_ownName;
}

bool IsOwnRecord(const DesktopRecord& record)
{
    return g_ownName[0] && std::strcmp(record.owner, g_ownName) == 0;
}

int FormatDesktopRecord(const DesktopRecord& record, char* text, int size)
{
    const ScreenSize& screen = record.screen;
    int length = std::snprintf(text, size, "%s\ndisplay %s\nowner %s\nscreen %d %d %d %d\n",
                               kHeader, record.display, record.owner, screen.width,
                               screen.height, screen.mmWidth, screen.mmHeight);
    for (int i = 0; i < record.count && length < size; ++i) {
        const CrtcConfig& c = record.saved[i];
        length += std::snprintf(text + length, size - length, "crtc %lu %d %d %lu %u %lu %d",
                                c.crtc, c.x, c.y, c.mode, unsigned(c.rotation),
                                record.switchedTo[i], c.outputCount);
        for (int k = 0; k < c.outputCount && length < size; ++k)
            length += std::snprintf(text + length, size - length, " %lu", c.outputs[k]);
        if (length < size)
            length += std::snprintf(text + length, size - length, "\n");
    }
    return length < size ? length : -1;
}

bool ParseDesktopRecord(const char* source, DesktopRecord* record)
{
    *record = DesktopRecord{};
    char text[MaxRecordBytes];
    if (std::strlen(source) >= sizeof text)
        return false;
    std::strcpy(text, source);
    char* rest = text;
    char* line = NextLine(&rest);
    if (!line || std::strcmp(line, kHeader) != 0)
        return false;
    if (!ParseText(NextLine(&rest), "display", record->display, sizeof record->display)
        || !ParseText(NextLine(&rest), "owner", record->owner, sizeof record->owner))
        return false;
    ScreenSize& screen = record->screen;
    line = NextLine(&rest);
    if (!line
        || std::sscanf(line, "screen %d %d %d %d", &screen.width, &screen.height,
                       &screen.mmWidth, &screen.mmHeight)
            != 4)
        return false;
    while ((line = NextLine(&rest)) && record->count < MaxDisplays) {
        int i = record->count;
        if (!ParseCrtc(line, &record->saved[i], &record->switchedTo[i]))
            return false;
        record->count += 1;
    }
    return record->count > 0;
}

bool ReadDesktopRecord(DesktopRecord* record)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(XConnection(), XRoot(), RecordAtom(), 0, MaxRecordBytes / 4, False,
                           XA_STRING, &type, &format, &count, &after, &data)
        != Success)
        return false;
    char text[MaxRecordBytes];
    bool whole = data && type == XA_STRING && format == 8 && after == 0 && count < sizeof text;
    if (whole) {
        std::memcpy(text, data, count);
        text[count] = 0;
    }
    if (data)
        XFree(data);
    return whole && ParseDesktopRecord(text, record);
}

bool ReadLiveDesktopRecord(DesktopRecord* record)
{
    if (!ReadDesktopRecord(record))
        return false;
    if (IsOwnRecord(*record) || OwnerIsLive(record->owner))
        return true;
    // Its game died, and its watcher with it. What could not be put back
    // stays on record for another try.
    if (PutBackRecorded(*record))
        RemoveDesktopRecord();
    return false;
}

bool WriteDesktopRecord(const DesktopRecord& record)
{
    char text[MaxRecordBytes];
    int length = FormatDesktopRecord(record, text, sizeof text);
    if (length < 0)
        return false;
    int errorsBefore = TrappedErrors();
    XChangeProperty(XConnection(), XRoot(), RecordAtom(), XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<unsigned char*>(text), length);
    XSync(XConnection(), False);
    return TrappedErrors() == errorsBefore;
}

void RemoveDesktopRecord()
{
    XDeleteProperty(XConnection(), XRoot(), RecordAtom());
}

namespace {

// The display on record shows the mode it was switched to, not the desktop's.
bool ShowsSwitchedMode(const Displays& displays, const DesktopRecord& record, int i)
{
    XRRCrtcInfo* info = XRRGetCrtcInfo(XConnection(), displays.res, record.saved[i].crtc);
    if (!info)
        return false;
    bool shows = info->mode == record.switchedTo[i] && info->mode != record.saved[i].mode;
    XRRFreeCrtcInfo(info);
    return shows;
}

// The recorded displays the server still knows, into `back`: every one, or
// only those that still show the mode they were switched to. Says which it
// had to leave.
int ToPutBack(const Displays& displays, const DesktopRecord& record, bool onlySwitched,
              CrtcConfig* back)
{
    int count = 0;
    for (int i = 0; i < record.count; ++i) {
        if (!Recognised(displays.res, record.saved[i])) {
            std::fprintf(stderr, "skylume: display %lu on record names what the X server lacks; "
                                 "left as it is\n", record.saved[i].crtc);
            continue;
        }
        if (!onlySwitched || ShowsSwitchedMode(displays, record, i))
            back[count++] = record.saved[i];
    }
    return count;
}

bool PutBack(const DesktopRecord& record, bool onlySwitched)
{
    Displays displays;
    if (!ReadScreenResources(&displays))
        return true;
    CrtcConfig back[MaxDisplays];
    int count = ToPutBack(displays, record, onlySwitched, back);
    return count == 0 || ApplyConfigs(displays, back, count, record.screen);
}

} // namespace

bool ShowsRecordedModes(const DesktopRecord& record)
{
    Displays displays;
    if (!ReadScreenResources(&displays))
        return false;
    for (int i = 0; i < record.count; ++i)
        if (Recognised(displays.res, record.saved[i]) && ShowsSwitchedMode(displays, record, i))
            return true;
    return false;
}

bool PutBackRecorded(const DesktopRecord& record)
{
    return PutBack(record, true);
}

bool PutBackEveryRecorded(const DesktopRecord& record)
{
    return PutBack(record, false);
}
