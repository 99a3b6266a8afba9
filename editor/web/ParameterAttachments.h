#pragma once

#include "editor/web/Relays.h"

#include <juce_audio_processors/juce_audio_processors.h>

namespace kavro::web
{
// Each attachment binds one parameter to one relay: parameter changes from any source reach the
// page, and the page's moves reach the host inside gestures. On construction, and whenever the page
// asks, it sends the control's properties and then the current value.
class WebSliderParameterAttachment : private WebSliderRelay::Listener
{
public:
    WebSliderParameterAttachment (juce::RangedAudioParameter&, WebSliderRelay&, juce::UndoManager*);
    ~WebSliderParameterAttachment() override;

private:
    void sliderValueChanged (WebSliderRelay*) override;
    void sliderDragStarted (WebSliderRelay*) override;
    void sliderDragEnded (WebSliderRelay*) override;
    void initialUpdateRequested (WebSliderRelay*) override;
    void sendProperties();

    juce::RangedAudioParameter& parameter;
    WebSliderRelay& relay;
    juce::ParameterAttachment attachment;
};

class WebToggleButtonParameterAttachment : private WebToggleButtonRelay::Listener
{
public:
    WebToggleButtonParameterAttachment (juce::RangedAudioParameter&, WebToggleButtonRelay&, juce::UndoManager*);
    ~WebToggleButtonParameterAttachment() override;

private:
    void toggleStateChanged (bool newState) override;
    void initialUpdateRequested() override;
    void sendProperties();

    juce::RangedAudioParameter& parameter;
    WebToggleButtonRelay& relay;
    juce::ParameterAttachment attachment;
};

class WebComboBoxParameterAttachment : private WebComboBoxRelay::Listener
{
public:
    WebComboBoxParameterAttachment (juce::RangedAudioParameter&, WebComboBoxRelay&, juce::UndoManager*);
    ~WebComboBoxParameterAttachment() override;

private:
    void valueChanged (float newNormalisedValue) override;
    void initialUpdateRequested() override;
    void sendProperties();
    int lastIndex() const { return juce::jmax (1, choices.size()) - 1; }

    juce::RangedAudioParameter& parameter;
    WebComboBoxRelay& relay;
    juce::StringArray choices;
    juce::ParameterAttachment attachment;
};
} // namespace kavro::web
