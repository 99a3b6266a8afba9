#include "plugin/PluginProcessor.h"
#include "plugin/StateMigration.h"
#include "presets/PresetManager.h"
#include "support/MessagePump.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

namespace
{
using namespace kavro;

class PresetManagerTest : public testing::Test
{
protected:
    juce::File userFolder() const { return PresetManager::getUserPresetDir ("KAVRO", "Velbrook"); }

    juce::File userFile (const juce::String& relativePath, const juce::String& text) const
    {
        auto file = userFolder().getChildFile (relativePath);
        file.getParentDirectory().createDirectory();
        file.replaceWithText (text);
        return file;
    }

    FactoryPreset factory (const char* uuid, const char* name, const char* category, float cutoff)
    {
        auto tree = processor.apvts.copyState();
        tree.getChildWithProperty ("id", "cutoff").setProperty ("value", cutoff, nullptr);
        return { uuid, name, category, {}, "KAVRO", "", tree.createXml()->toString() };
    }

    std::unique_ptr<PresetManager> makeManager()
    {
        auto manager = std::make_unique<PresetManager> (processor.apvts, "KAVRO", "Velbrook", "Tolm", "1.1.0", [this] {
            return std::vector<FactoryPreset> { factory ("factory-init-0001", "Init", "Essentials", 20000.0f),
                                                factory ("f-am", "AM Radio", "Character", 800.0f),
                                                factory ("f-bass", "Bassdrone will shine", "Bass", 90.0f) };
        });
        manager->onChanged = [this] { ++notifications; };
        manager->onBeforeApply = [] (juce::ValueTree& tree) { kavro::migration::migrateState (tree); }; // as the processor does
        return manager;
    }

    juce::StringArray names (const PresetManager& manager) const
    {
        juce::StringArray result;
        for (const auto& info : manager.list())
            result.add (info.name);
        return result;
    }

    float cutoff() { return processor.apvts.getRawParameterValue ("cutoff")->load(); }

    TempHome home;
    KavroLabAudioProcessor processor;
    int notifications = 0;
};

TEST_F (PresetManagerTest, FirstRunCreatesTheFolderAndListsTheBankSorted)
{
    const auto manager = makeManager();
    EXPECT_TRUE (userFolder().getChildFile (".migrated").existsAsFile());
    EXPECT_EQ (names (*manager), juce::StringArray ({ "Bassdrone will shine", "AM Radio", "Init" }));
    EXPECT_EQ (manager->currentPresetIndex(), -1);

    manager->applyStartupPreset ("factory-init-0001");
    EXPECT_NEAR (cutoff(), 20000.0f, 0.01f);
    EXPECT_EQ (manager->currentPresetKey(), "factory-init-0001");
    EXPECT_FALSE (manager->isModified());
}

TEST_F (PresetManagerTest, MigratesBareFilesOnceAndNamesUnkeyedOnes)
{
    userFolder().getChildFile (".migrated").deleteFile(); // a folder the older release left
    const auto bare = userFile ("Drums/Kick.preset", R"(<PARAMS schemaVersion="2"><PARAM id="cutoff" value="300"/></PARAMS>)");
    userFile ("Drums/Snare.preset", R"(<KavroPreset name="Snare"><PARAMS><PARAM id="cutoff" value="5000"/></PARAMS></KavroPreset>)");
    {
        const auto manager = makeManager();
        const auto kick = presetfile::readFile (bare, "PARAMS");
        ASSERT_TRUE (kick.has_value());
        EXPECT_FALSE (kick->legacy);
        EXPECT_EQ (kick->meta.name, "Kick");
        EXPECT_EQ (kick->meta.category, "Drums");
        EXPECT_EQ (kick->meta.uuid.length(), 36);

        const auto& list = manager->list();
        const auto snare = std::find_if (list.begin(), list.end(), [] (auto& info) { return info.name == "Snare"; });
        ASSERT_NE (snare, list.end());
        EXPECT_EQ (snare->key, "user:Drums/Snare.preset");
        EXPECT_EQ (snare->category, "Drums");
    }

    const auto migrated = bare.loadFileAsString();
    userFile ("Late.preset", R"(<PARAMS/>)");
    const auto again = makeManager();
    EXPECT_EQ (bare.loadFileAsString(), migrated);
    EXPECT_TRUE (presetfile::readFile (userFolder().getChildFile ("Late.preset"), "PARAMS")->legacy) << "migration runs once";
}

TEST_F (PresetManagerTest, OldFavouritesBecomeKeys)
{
    userFile (".favourites", "Character\tAM Radio\r\nsome-key");
    const auto manager = makeManager();
    EXPECT_TRUE (manager->list()[1].favourite);
    EXPECT_EQ (userFolder().getChildFile (".favourites").loadFileAsString(), "f-am\r\nsome-key");

    manager->setFavorite ("no-such-preset", true);
    EXPECT_EQ (userFolder().getChildFile (".favourites").loadFileAsString(), "f-am\r\nno-such-preset\r\nsome-key");
}

TEST_F (PresetManagerTest, SortsFactoryFirstThenCategoryThenNameWithoutCase)
{
    userFile ("a.preset", R"(<KavroPreset uuid="u1" name="Beta" category="Texture"><PARAMS/></KavroPreset>)");
    userFile ("b.preset", R"(<KavroPreset uuid="u2" name="alpha" category="Texture"><PARAMS/></KavroPreset>)");
    userFile ("c.preset", R"(<KavroPreset uuid="u3" name="Low" category="bass"><PARAMS/></KavroPreset>)");
    userFile ("d.preset", "not a preset");
    const auto manager = makeManager();
    EXPECT_EQ (names (*manager), juce::StringArray ({ "Bassdrone will shine", "AM Radio", "Init", "alpha", "Beta", "Low" }));
}

TEST_F (PresetManagerTest, SavesUnderALegalNameAndKeepsTheKeyOnOverwrite)
{
    const auto manager = makeManager();
    const auto result = manager->savePreset ("Kick: Tight/Loud", " Drums ", "dark, ,tight", " A kick. ");
    EXPECT_TRUE ((bool) result["ok"]);
    const auto file = userFolder().getChildFile ("Kick TightLoud.preset");
    const auto saved = presetfile::readFile (file, "PARAMS");
    ASSERT_TRUE (saved.has_value());
    EXPECT_EQ (saved->meta.name, "Kick TightLoud");
    EXPECT_EQ (saved->meta.category, "Drums");
    EXPECT_EQ (saved->meta.tags, juce::StringArray ({ "dark", "tight" }));
    EXPECT_EQ (manager->currentPresetKey(), saved->meta.uuid);

    manager->savePreset ("Kick TightLoud", "", "", "");
    EXPECT_EQ (presetfile::readFile (file, "PARAMS")->meta.uuid, saved->meta.uuid);

    const auto refused = manager->savePreset ("::/*?", "", "", "");
    EXPECT_FALSE ((bool) refused["ok"]);
    EXPECT_EQ (refused["error"].toString(), "Ungueltiger Name");
    EXPECT_EQ (userFolder().findChildFiles (juce::File::findFiles, false, "*.preset").size(), 1);
}

TEST_F (PresetManagerTest, RenamesAndDeletesOnlyUserPresets)
{
    const auto manager = makeManager();
    manager->savePreset ("One", "", "", "");
    manager->savePreset ("Two", "", "", "");
    const auto key = manager->currentPresetKey();

    EXPECT_FALSE (manager->renamePreset (key, "Two")) << "its own name";
    EXPECT_FALSE (manager->renamePreset (key, "One")) << "a name another file has";
    EXPECT_FALSE (manager->renamePreset ("f-am", "Radio")) << "factory presets are read-only";
    EXPECT_TRUE (manager->renamePreset (key, "Three"));
    EXPECT_EQ (manager->currentPresetKey(), key);
    EXPECT_EQ (manager->getStateForUI()["current"]["name"].toString(), "Three");
    EXPECT_FALSE (userFolder().getChildFile ("Two.preset").exists());

    manager->setFavorite (key, true);
    EXPECT_FALSE (manager->deletePreset ("f-am"));
    EXPECT_TRUE (manager->deletePreset (key));
    EXPECT_EQ (manager->currentPresetIndex(), -1);
    EXPECT_EQ (userFolder().getChildFile (".favourites").loadFileAsString(), "");
    EXPECT_FALSE (userFolder().getChildFile ("Three.preset").exists());
}

TEST_F (PresetManagerTest, StepsThroughTheListWrappingAround)
{
    const auto manager = makeManager();
    manager->loadAdjacent (1);
    EXPECT_EQ (manager->getStateForUI()["current"]["name"].toString(), "Bassdrone will shine");
    manager->setCurrent ({});
    manager->loadAdjacent (-1);
    EXPECT_EQ (manager->getStateForUI()["current"]["name"].toString(), "Init");
    manager->loadAdjacent (1);
    EXPECT_EQ (manager->getStateForUI()["current"]["name"].toString(), "Bassdrone will shine");
    EXPECT_NEAR (cutoff(), 90.0f, 1.0e-3f);
}

TEST_F (PresetManagerTest, CountsChangesOnlyOutsideAnApplyAndNotifiesOnce)
{
    const auto manager = makeManager();
    ASSERT_TRUE (manager->loadPreset ("f-am"));
    pumpMessages (120);
    EXPECT_FALSE (manager->isModified()) << "the load's own parameter changes do not count";
    notifications = 0;

    auto* param = processor.apvts.getParameter ("resonance");
    param->setValueNotifyingHost (0.7f);
    param->setValueNotifyingHost (0.8f);
    pumpMessages (120);
    EXPECT_TRUE (manager->isModified());
    EXPECT_EQ (notifications, 1);

    param->setValueNotifyingHost (0.9f);
    pumpMessages (120);
    EXPECT_EQ (notifications, 1) << "no more until the next load or save";

    manager->notifyExternalStateLoad();
    const auto ui = manager->getStateForUI();
    EXPECT_EQ (ui["current"]["uuid"].toString(), "");
    EXPECT_EQ ((int) ui["current"]["index"], -1);
    EXPECT_FALSE ((bool) ui["current"]["modified"]);
    EXPECT_EQ (ui["presets"].size(), 3);
    EXPECT_EQ (ui["presets"][0]["source"].toString(), "factory");
    EXPECT_TRUE ((bool) ui["presets"][0]["readonly"]);
}
// Files a user or another program may have touched: skipped, refused or reported, never damaged.
TEST_F (PresetManagerTest, DamagedFilesAreSkippedAndFailedWritesDamageNothing)
{
    userFile ("Truncated.preset", R"(<KavroPreset name="T"><PARAMS><PARAM id="cutoff")");
    userFile ("Binary.preset", juce::String::fromUTF8 ("\x01\x02\xff\xfe garbage", 12));
    userFolder().getChildFile ("Folder.preset").createDirectory();
    userFile ("Wild.preset", R"(<KavroPreset uuid="wild" name="Wild"><PARAMS><PARAM id="cutoff" value="1e30"/><PARAM id="mix" value="nan"/><PARAM id="amount" value="lots"/></PARAMS></KavroPreset>)");
    userFile (".favourites", "\r\n\r\n\tonly a tab\r\nwild\r\n\r\n");
    const auto manager = makeManager();

    EXPECT_EQ (names (*manager), juce::StringArray ({ "Bassdrone will shine", "AM Radio", "Init", "Wild" }));
    EXPECT_TRUE (manager->list().back().favourite);
    ASSERT_TRUE (manager->loadPreset ("wild"));
    EXPECT_NEAR (cutoff(), 20000.0f, 0.01f) << "clamped";
    EXPECT_EQ (processor.apvts.getRawParameterValue ("mix")->load(), 1.0f) << "not a number: the default";
    EXPECT_EQ (processor.apvts.getRawParameterValue ("amount")->load(), 0.3f) << "not a number: the default";

    // A write that cannot happen (the target is a folder) reports it and leaves everything as it was.
    userFolder().getChildFile ("Busy.preset").createDirectory();
    userFolder().getChildFile ("Busy.preset").getChildFile ("keep").replaceWithText ("x");
    const auto result = manager->savePreset ("Busy", "", "", "");
    EXPECT_FALSE ((bool) result["ok"]);
    EXPECT_EQ (result["error"].toString(), "Schreiben fehlgeschlagen");
    EXPECT_TRUE (userFolder().getChildFile ("Busy.preset").getChildFile ("keep").existsAsFile());

    ASSERT_TRUE ((bool) manager->savePreset ("Mine", "", "", "")["ok"]);
    const auto mine = userFolder().getChildFile ("Mine.preset");
    const auto before = mine.loadFileAsString();
    EXPECT_FALSE (manager->renamePreset (manager->currentPresetKey(), "Busy"));
    EXPECT_EQ (mine.loadFileAsString(), before) << "a failed rename keeps the file";
}
} // namespace
