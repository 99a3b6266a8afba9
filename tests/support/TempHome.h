#pragma once

#include <juce_core/juce_core.h>

#include <cstdlib>

// Points HOME at a fresh empty folder for the life of the object, so that per-user files
// (settings, presets) are read from and written to a place the test owns.
class TempHome
{
public:
    TempHome()
    {
        if (const char* home = std::getenv ("HOME"))
            previousHome = home;
        if (const char* xdg = std::getenv ("XDG_CONFIG_HOME"))
            previousXdg = xdg;

        folder.createDirectory();
        setenv ("HOME", folder.getFullPathName().toRawUTF8(), 1);
        unsetenv ("XDG_CONFIG_HOME");
    }

    ~TempHome()
    {
        setenv ("HOME", previousHome.toRawUTF8(), 1);
        if (previousXdg.isNotEmpty())
            setenv ("XDG_CONFIG_HOME", previousXdg.toRawUTF8(), 1);
        folder.deleteRecursively();
    }

    juce::File productFolder() const { return folder.getChildFile (".config/KAVRO/Velbrook"); }

    void writeUiSettings (const juce::String& text) const
    {
        productFolder().createDirectory();
        productFolder().getChildFile ("ui-settings.json").replaceWithText (text);
    }

private:
    juce::File folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                            .getNonexistentChildFile ("velbrook-home", "");
    juce::String previousHome, previousXdg;
};
