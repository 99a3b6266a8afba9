#pragma once

#include "editor/PluginEditor.h"
#include "support/FakePage.h"
#include "support/TempHome.h"

// A processor that counts its preparations, as a host would see them.
struct CountingProcessor : KavroLabAudioProcessor
{
    void prepareToPlay (double sampleRate, int samplesPerBlock) override
    {
        ++preparations;
        KavroLabAudioProcessor::prepareToPlay (sampleRate, samplesPerBlock);
    }

    int preparations = 0;
};

// A processor with an open editor whose page is a FakePage, in a private home folder.
struct EditorRig
{
    EditorRig() = default;

    // Settings text to find in ui-settings.json when the editor opens.
    explicit EditorRig (const juce::String& uiSettings) { home.writeUiSettings (uiSettings); }

    KavroLabAudioProcessorEditor& open()
    {
        editor = std::make_unique<KavroLabAudioProcessorEditor> (processor);
        page = pages.latest;
        page->open();
        return *editor;
    }

    juce::var settings() const { return juce::JSON::parse (settingsFile().loadFileAsString()); }
    juce::File settingsFile() const { return home.productFolder().getChildFile ("ui-settings.json"); }

    float plainValue (const char* id) const
    {
        auto* parameter = processor.apvts.getParameter (id);
        return parameter->convertFrom0to1 (parameter->getValue());
    }

    TempHome home;
    CountingProcessor processor;
    FakePageFactory pages;
    std::unique_ptr<KavroLabAudioProcessorEditor> editor;
    FakePage* page = nullptr;
};
