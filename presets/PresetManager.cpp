#include "presets/PresetManager.h"

namespace kavro
{
namespace
{
    const juce::Identifier kParam { "PARAM" };
    const juce::Identifier kId { "id" };

    juce::Array<juce::File> presetFilesBelow (const juce::File& folder)
    {
        return folder.findChildFiles (juce::File::findFiles, true, "*.preset", juce::File::FollowSymlinks::noCycles);
    }

    // A file's category from its folder: the folder's name, unless it is the user folder itself.
    juce::String folderCategory (const juce::File& file, const juce::File& userFolder)
    {
        const auto parent = file.getParentDirectory();
        return parent.getFullPathName().equalsIgnoreCase (userFolder.getFullPathName()) ? juce::String()
                                                                                         : parent.getFileName();
    }
} // namespace

PresetManager::PresetManager (juce::AudioProcessorValueTreeState& liveState, juce::String companyName,
                              juce::String productName, juce::String code, juce::String versionString,
                              FactoryLoader loader)
    : state (liveState), company (std::move (companyName)), product (std::move (productName)),
      pluginCode (std::move (code)), version (std::move (versionString)), factoryLoader (std::move (loader))
{
    if (factoryLoader)
        factoryPresets = factoryLoader();
    readFavourites();
    migrateBareFiles();
    rescan();

    for (const auto& child : state.state)
        if (child.hasType (kParam))
            state.addParameterListener (child[kId].toString(), this);

    startTimer (50);
}

PresetManager::~PresetManager()
{
    stopTimer();
    for (const auto& child : state.state)
        if (child.hasType (kParam))
            state.removeParameterListener (child[kId].toString(), this);
    masterReference.clear();
}

juce::File PresetManager::getUserPresetDir (const juce::String& companyName, const juce::String& productName)
{
    return juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory)
        .getChildFile (companyName)
        .getChildFile (productName)
        .getChildFile ("Presets");
}

juce::String PresetManager::legalName (const juce::String& name)
{
    return juce::File::createLegalFileName (name).trim();
}

//==============================================================================
void PresetManager::readFavourites()
{
    const auto file = userFolder().getChildFile (".favourites");
    if (! file.existsAsFile())
        return;

    juce::StringArray lines;
    lines.addLines (file.loadFileAsString());
    for (const auto& line : lines)
        if (line.isNotEmpty())
            (line.containsChar ('\t') ? legacyFavourites : favourites).insert (line);
}

void PresetManager::migrateBareFiles()
{
    const auto folder = userFolder();
    const auto marker = folder.getChildFile (".migrated");
    if (folder.isDirectory())
    {
        if (marker.existsAsFile())
            return;

        // Presets of the older release are bare state trees: give each its metadata, once.
        for (const auto& file : presetFilesBelow (folder))
        {
            const auto preset = presetfile::readFile (file, state.state.getType().toString());
            if (! preset || ! preset->legacy)
                continue;

            auto meta = metaForNewFile (presetfile::newUuid(), file.getFileNameWithoutExtension());
            meta.category = folderCategory (file, folder);
            if (auto params = juce::XmlDocument::parse (file))
                presetfile::write (*presetfile::wrap (meta, std::move (params)), file);
        }
    }
    else if (! folder.createDirectory())
        return;

    marker.replaceWithText (presetfile::timestampNow());
}

PresetMeta PresetManager::metaForNewFile (const juce::String& uuid, const juce::String& name) const
{
    PresetMeta meta;
    meta.uuid = uuid;
    meta.name = name;
    meta.plugin = pluginCode;
    meta.pluginName = product;
    meta.pluginVersion = version;
    meta.created = presetfile::timestampNow();
    return meta;
}

void PresetManager::rescan()
{
    presets.clear();

    for (const auto& factory : factoryPresets)
    {
        PresetInfo info;
        info.key = factory.uuid;
        info.name = factory.name;
        info.category = factory.category;
        info.tags = factory.tags;
        info.author = factory.author;
        info.description = factory.description;
        info.readonly = true;
        info.xml = factory.xml;
        presets.push_back (std::move (info));
    }

    const auto folder = userFolder();
    folder.createDirectory();
    for (const auto& file : presetFilesBelow (folder))
    {
        const auto preset = presetfile::readFile (file, state.state.getType().toString());
        if (! preset)
            continue;

        PresetInfo info;
        info.name = preset->meta.name;
        info.category = preset->meta.category.isNotEmpty() ? preset->meta.category : folderCategory (file, folder);
        info.key = preset->meta.uuid.isNotEmpty() ? preset->meta.uuid
                                                  : "user:" + file.getRelativePathFrom (folder).replaceCharacter ('\\', '/');
        info.tags = preset->meta.tags;
        info.author = preset->meta.author;
        info.description = preset->meta.description;
        info.isUser = true;
        info.file = file;
        presets.push_back (std::move (info));
    }

    // Favourites of the older release were "category<TAB>name"; they become keys once.
    if (! legacyFavourites.empty())
    {
        bool added = false;
        for (const auto& info : presets)
            if (legacyFavourites.count (info.category + "\t" + info.name) > 0)
                added = favourites.insert (info.key).second || added;
        legacyFavourites.clear();
        if (added)
            saveFavourites();
    }

    for (auto& info : presets)
        info.favourite = favourites.count (info.key) > 0;

    std::stable_sort (presets.begin(), presets.end(), [] (const PresetInfo& a, const PresetInfo& b) {
        if (a.isUser != b.isUser)
            return ! a.isUser;
        if (const int byCategory = a.category.compare (b.category); byCategory != 0)
            return byCategory < 0;
        return a.name.compareIgnoreCase (b.name) < 0;
    });

    currentIndex = -1;
    if (currentKey.isNotEmpty())
        for (size_t i = 0; i < presets.size(); ++i)
            if (presets[i].key == currentKey)
            {
                currentIndex = (int) i;
                break;
            }
}

const PresetInfo* PresetManager::find (const juce::String& key) const
{
    for (const auto& info : presets)
        if (info.key == key)
            return &info;
    return nullptr;
}

void PresetManager::setCurrent (const juce::String& key)
{
    currentIndex = -1;
    currentKey = key;
    currentName = currentCategory = {};
    if (key.isEmpty())
        return;

    for (size_t i = 0; i < presets.size(); ++i)
    {
        if (presets[i].key == key)
        {
            currentIndex = (int) i;
            currentName = presets[i].name;
            currentCategory = presets[i].category;
            return;
        }
    }
}

//==============================================================================
void PresetManager::runOnMessageThread (std::function<void (PresetManager&)> work)
{
    juce::WeakReference<PresetManager> weak (this);
    auto call = [weak, work = std::move (work)] {
        if (auto* manager = weak.get())
            work (*manager);
    };
    if (juce::MessageManager::getInstance()->isThisTheMessageThread())
        call();
    else
        juce::MessageManager::callAsync (std::move (call));
}

void PresetManager::replaceLiveState (juce::ValueTree tree)
{
    // Parameter callbacks caused by the replacement, also late ones, must not count as edits: the
    // window closes with a message posted after it.
    applying = true;
    if (onBeforeApply)
        onBeforeApply (tree);
    state.replaceState (tree);
    dirty = false;

    juce::WeakReference<PresetManager> weak (this);
    juce::MessageManager::callAsync ([weak] {
        if (auto* manager = weak.get())
            manager->applying = false;
    });
}

void PresetManager::applyTree (const juce::ValueTree& tree)
{
    runOnMessageThread ([tree] (PresetManager& manager) {
        if (tree.getType() == manager.state.state.getType())
            manager.replaceLiveState (tree.createCopy());
    });
}

void PresetManager::applyStartupPreset (const juce::String& key)
{
    const auto* info = find (key);
    if (info == nullptr || info->isUser)
        return;

    const auto xml = juce::parseXML (info->xml);
    if (xml == nullptr)
        return;
    auto tree = juce::ValueTree::fromXml (*xml);
    if (! tree.isValid() || tree.getType() != state.state.getType())
        return;

    replaceLiveState (tree);
    setCurrent (key);
}

bool PresetManager::loadPreset (const juce::String& key)
{
    const auto* info = key.isNotEmpty() ? find (key) : nullptr;
    if (info == nullptr)
        return false;

    juce::ValueTree tree;
    if (info->isUser)
    {
        const auto preset = presetfile::readFile (info->file, state.state.getType().toString());
        if (! preset)
            return false;
        tree = preset->state;
    }
    else
    {
        const auto xml = juce::parseXML (info->xml);
        if (xml == nullptr)
            return false;
        tree = juce::ValueTree::fromXml (*xml);
    }
    if (! tree.isValid())
        return false;

    applyTree (tree);
    setCurrent (key);
    notifyChanged();
    return true;
}

juce::var PresetManager::savePreset (const juce::String& name, const juce::String& category, const juce::String& tagsText,
                                     const juce::String& description)
{
    auto failure = [] (const char* error) {
        auto* result = new juce::DynamicObject();
        result->setProperty ("ok", false);
        result->setProperty ("error", error);
        return juce::var (result);
    };

    const auto legal = legalName (name);
    if (legal.isEmpty())
        return failure ("Ungueltiger Name");

    const auto folder = userFolder();
    folder.createDirectory();
    const auto target = folder.getChildFile (legal + ".preset");

    // Overwriting keeps the key, so favourites and the current selection survive.
    juce::String key;
    if (target.existsAsFile())
        if (const auto existing = presetfile::readFile (target, state.state.getType().toString()))
            key = existing->meta.uuid;
    if (key.isEmpty())
        key = presetfile::newUuid();

    auto meta = metaForNewFile (key, legal);
    meta.category = category.trim();
    meta.tags = presetfile::tagsFromString (tagsText);
    meta.description = description.trim();

    const auto live = state.copyState();
    auto params = live.isValid() ? live.createXml() : nullptr;
    if (params == nullptr)
        return failure ("State nicht serialisierbar");
    if (! presetfile::write (*presetfile::wrap (meta, std::move (params)), target))
        return failure ("Schreiben fehlgeschlagen");

    rescan();
    setCurrent (key);
    dirty = false;
    notifyChanged();

    auto* result = new juce::DynamicObject();
    result->setProperty ("ok", true);
    return juce::var (result);
}

bool PresetManager::renamePreset (const juce::String& key, const juce::String& newName)
{
    const auto* info = find (key);
    if (info == nullptr || ! info->isUser)
        return false;

    const auto legal = legalName (newName);
    if (legal.isEmpty())
        return false;

    const auto oldFile = info->file;
    const auto target = oldFile.getParentDirectory().getChildFile (legal + ".preset");
    if (target.existsAsFile())
        return false;

    if (auto preset = presetfile::readFile (oldFile, state.state.getType().toString()))
    {
        auto meta = preset->meta;
        meta.name = legal;
        if (meta.uuid.isEmpty())
            meta.uuid = key;
        if (meta.plugin.isEmpty())
        {
            meta.plugin = pluginCode;
            meta.pluginName = product;
            meta.pluginVersion = version;
        }
        auto params = preset->state.createXml();
        if (params == nullptr || ! presetfile::write (*presetfile::wrap (meta, std::move (params)), target))
            return false;
        oldFile.deleteFile();
    }
    else if (! oldFile.moveFileTo (target))
        return false;

    const bool wasCurrent = currentIndex >= 0 && presets[(size_t) currentIndex].key == key;
    rescan();
    if (wasCurrent)
        setCurrent (key);
    notifyChanged();
    return true;
}

bool PresetManager::deletePreset (const juce::String& key)
{
    const auto* info = key.isNotEmpty() ? find (key) : nullptr;
    if (info == nullptr || ! info->isUser || ! info->file.deleteFile())
        return false;

    const bool wasCurrent = currentIndex >= 0 && presets[(size_t) currentIndex].key == key;
    favourites.erase (key);
    saveFavourites();
    rescan();
    if (wasCurrent)
        setCurrent ({});
    notifyChanged();
    return true;
}

bool PresetManager::setFavorite (const juce::String& key, bool on)
{
    if (key.isNotEmpty())
    {
        if (on)
            favourites.insert (key);
        else
            favourites.erase (key);
        saveFavourites();
        for (auto& info : presets)
            info.favourite = favourites.count (info.key) > 0;
        notifyChanged();
    }
    return true;
}

void PresetManager::saveFavourites()
{
    userFolder().createDirectory();
    juce::StringArray keys;
    for (const auto& key : favourites)
        keys.add (key);
    userFolder().getChildFile (".favourites").replaceWithText (keys.joinIntoString ("\r\n"));
}

bool PresetManager::loadAdjacent (int step)
{
    const int n = (int) presets.size();
    if (n == 0)
        return true;
    const int start = currentIndex >= 0 ? currentIndex : (step >= 0 ? -1 : 0);
    const int target = ((start + step) % n + n) % n;
    loadPreset (presets[(size_t) target].key);
    return true;
}

//==============================================================================
void PresetManager::notifyChanged()
{
    runOnMessageThread ([] (PresetManager& manager) {
        if (manager.onChanged)
            manager.onChanged();
    });
}

void PresetManager::notifyExternalStateLoad()
{
    runOnMessageThread ([] (PresetManager& manager) {
        manager.setCurrent ({});
        manager.dirty = false;
        manager.notifyChanged();
    });
}

void PresetManager::markModified()
{
    if (! applying && ! dirty.exchange (true))
        notifyChanged();
}

void PresetManager::parameterChanged (const juce::String&, float)
{
    // Any thread, the audio thread included: atomics only.
    if (applying)
        return;
    if (! dirty.exchange (true))
        changePending = true;
}

void PresetManager::timerCallback()
{
    if (changePending.exchange (false))
        notifyChanged();
}

juce::var PresetManager::getStateForUI() const
{
    auto* current = new juce::DynamicObject();
    current->setProperty ("uuid", currentKey);
    current->setProperty ("name", currentName);
    current->setProperty ("category", currentCategory);
    current->setProperty ("modified", dirty.load());
    current->setProperty ("index", currentIndex);

    juce::Array<juce::var> list;
    for (const auto& info : presets)
    {
        auto* entry = new juce::DynamicObject();
        entry->setProperty ("uuid", info.key);
        entry->setProperty ("name", info.name);
        entry->setProperty ("category", info.category);
        juce::Array<juce::var> tags;
        for (const auto& tag : info.tags)
            tags.add (tag);
        entry->setProperty ("tags", tags);
        entry->setProperty ("author", info.author);
        entry->setProperty ("description", info.description);
        entry->setProperty ("source", info.isUser ? "user" : "factory");
        entry->setProperty ("favorite", info.favourite);
        entry->setProperty ("readonly", info.readonly);
        list.add (juce::var (entry));
    }

    auto* result = new juce::DynamicObject();
    result->setProperty ("current", juce::var (current));
    result->setProperty ("presets", list);
    return juce::var (result);
}
} // namespace kavro
