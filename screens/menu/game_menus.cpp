#include "screens/menu/game_menus.h"

#include <wx/config.h>
#include <wx/sizer.h>

#include "foundation/dialog_layout.h"
#include "screens/flow_of_play.h"
#include "screens/menu/tamber_menu.h"
#include "shell/graphics.h"
#include "shell/settings.h"

namespace {

enum
{
    TitleNone = 10000,
    TitlePlay = 10001,
    TitleSettings = 10002,
};

const char* kDifficultyTexts[] = {"Easy", "Medium", "Hard", nullptr};
const char* kMusicTexts[] = {"Off", "Once", "Loop", nullptr};
const char* kSpeedTexts[] = {"Slow", "Normal", "Fast", nullptr};
const char* kDirectionTexts[] = {"Normal", "Reverse", nullptr};

void PushRow(CTamberMenu& menu)
{
    menu.layout->PushSizer(new wxBoxSizer(wxHORIZONTAL), false);
}

void PushColumn(CTamberMenu& menu)
{
    menu.layout->PushSizer(new wxBoxSizer(wxVERTICAL), false);
}

void AddStretch(CTamberMenu& menu, int proportion)
{
    menu.layout->GetCurrentSizer()->AddStretchSpacer(proportion);
}

// The title picture, and the picture on the left of a row whose right-hand
// column is left open for the caller.
void BeginPictureMenu(CTamberMenu& menu, const char* title)
{
    menu.AddImage(title, 0.75, 0.2);
    menu.AddSpacer(0, 0.05);
    PushRow(menu);
    menu.AddImage("about", 0.4, 0.6);
    menu.AddSpacer(0.05, 0);
    PushColumn(menu);
}

void RequestQuit()
{
    if (g_graphics)
        g_graphics->quitRequested = 1;
}

// The seven settings that the settings menu edits, in the order OK stores them.
enum EditedSetting
{
    EditDifficulty,
    EditMusic,
    EditSpeed,
    EditDirection,
    EditLeftKey,
    EditRightKey,
    EditFireKey,
    EditedCount,
};

struct StoredSetting
{
    const char* key;
    int32_t GameSettings::*field;
};

const StoredSetting kEditedSettings[EditedCount] = {
    {"/Player/Difficulty", &GameSettings::difficulty},
    {"/Player/Music", &GameSettings::music},
    {"/Control/Speed", &GameSettings::speed},
    {"/Control/Direction", &GameSettings::direction},
    {"/Control/Left", &GameSettings::leftKey},
    {"/Control/Right", &GameSettings::rightKey},
    {"/Control/Fire", &GameSettings::fireKey},
};

void StoreSettings(const int* edited)
{
    for (int i = 0; i < EditedCount; ++i) {
        g_settings.*kEditedSettings[i].field = edited[i];
        WriteConfigInt(kEditedSettings[i].key, edited[i]);
    }
    ConfigStore()->Flush(false);
}

} // namespace

void RunTitleMenu()
{
    int id = TitleNone;
    for (;;) {
        if (id == wxID_CANCEL || IsQuitRequested())
            return;
        id = ShowTitleMenu();
        switch (id) {
        case TitlePlay:
            RunGameSession();
            break;
        case TitleSettings:
            ShowSettingsMenu();
            break;
        case wxID_EXIT:
            return;
        default:
            break;
        }
    }
}

int ShowTitleMenu()
{
    CTamberMenu menu;
    BeginPictureMenu(menu, "text_skylume");
    AddStretch(menu, 1);
    menu.AddButton(TitlePlay, "Play");
    menu.AddButton(TitleSettings, "Settings");
    menu.AddButton(wxID_EXIT, "Exit");
    menu.EndGroup();
    menu.EndGroup();
    return menu.ShowModal();
}

void ShowSettingsMenu()
{
    int edited[EditedCount];
    for (int i = 0; i < EditedCount; ++i)
        edited[i] = g_settings.*kEditedSettings[i].field;
    int id = wxID_NONE;
    {
        CTamberMenu menu;
        BeginPictureMenu(menu, "text_settings");
        AddStretch(menu, 2);
        menu.BeginFrame("Game Options");
        menu.AddLabelledChoice("Difficulty:", &edited[EditDifficulty], kDifficultyTexts);
        menu.AddLabelledChoice("Music:", &edited[EditMusic], kMusicTexts);
        menu.EndFrame();
        AddStretch(menu, 1);
        menu.BeginFrame("Control Options");
        menu.layout->PushFlexGridSizer();
        menu.AddText("Left:");
        menu.AddKeyButton(&edited[EditLeftKey]);
        menu.AddText("Right:");
        menu.AddKeyButton(&edited[EditRightKey]);
        menu.AddText("Drop:");
        menu.AddKeyButton(&edited[EditFireKey]);
        menu.EndGroup();
        menu.AddLabelledChoice("Speed:", &edited[EditSpeed], kSpeedTexts);
        menu.AddLabelledChoice("Direction:", &edited[EditDirection], kDirectionTexts);
        menu.EndFrame();
        AddStretch(menu, 1);
        PushRow(menu);
        menu.AddButton(wxID_OK, "OK");
        menu.AddButton(wxID_CANCEL, "Cancel");
        menu.EndGroup();
        menu.EndGroup();
        menu.EndGroup();
        id = menu.ShowModal();
    }
    if (id == wxID_OK)
        StoreSettings(edited);
    else if (id == wxID_EXIT)
        RequestQuit();
}

bool ShowPauseMenu()
{
    CTamberMenu menu;
    menu.AddImage("text_paused", 0.7, 0.12);
    menu.AddSpacer(0, 0.01);
    PushRow(menu);
    AddStretch(menu, 1);
    menu.AddButton(wxID_CANCEL, "Abort");
    menu.AddButton(wxID_OK, "Continue");
    AddStretch(menu, 1);
    menu.EndGroup();
    int id = menu.ShowModal();
    if (id == wxID_EXIT)
        RequestQuit();
    return id == wxID_OK;
}
