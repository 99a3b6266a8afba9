#include "editor/web/ParameterAttachments.h"

namespace kavro::web
{
namespace
{
juce::var propertiesEvent (const juce::RangedAudioParameter& parameter)
{
    auto* event = new juce::DynamicObject();
    event->setProperty ("eventType", "propertiesChanged");
    event->setProperty ("name", parameter.getName (100));
    event->setProperty ("parameterIndex", parameter.getParameterIndex());
    return event;
}
} // namespace

WebSliderParameterAttachment::WebSliderParameterAttachment (juce::RangedAudioParameter& parameterToUse,
                                                            WebSliderRelay& relayToUse, juce::UndoManager* undo)
    : parameter (parameterToUse),
      relay (relayToUse),
      attachment (parameterToUse, [this] (float value) { relay.setValue (value); }, undo)
{
    relay.addListener (this);
    sendProperties();
    attachment.sendInitialUpdate();
}

WebSliderParameterAttachment::~WebSliderParameterAttachment()
{
    relay.removeListener (this);
}

void WebSliderParameterAttachment::sendProperties()
{
    const auto& range = parameter.getNormalisableRange();
    auto event = propertiesEvent (parameter);
    auto* properties = event.getDynamicObject();
    properties->setProperty ("start", range.start);
    properties->setProperty ("end", range.end);
    properties->setProperty ("skew", range.skew);
    properties->setProperty ("label", parameter.getLabel());
    properties->setProperty ("numSteps", range.interval > 0.0f ? (int) ((range.end - range.start) / range.interval) + 1
                                                               : std::numeric_limits<int>::max());
    properties->setProperty ("interval", range.interval);
    relay.emitEvent (event);
}

void WebSliderParameterAttachment::sliderValueChanged (WebSliderRelay*)
{
    attachment.setValueAsPartOfGesture (relay.getValue());
}

void WebSliderParameterAttachment::sliderDragStarted (WebSliderRelay*)
{
    attachment.beginGesture();
}

void WebSliderParameterAttachment::sliderDragEnded (WebSliderRelay*)
{
    attachment.endGesture();
}

void WebSliderParameterAttachment::initialUpdateRequested (WebSliderRelay*)
{
    sendProperties();
    attachment.sendInitialUpdate();
}

//==============================================================================
WebToggleButtonParameterAttachment::WebToggleButtonParameterAttachment (juce::RangedAudioParameter& parameterToUse,
                                                                        WebToggleButtonRelay& relayToUse,
                                                                        juce::UndoManager* undo)
    : parameter (parameterToUse),
      relay (relayToUse),
      attachment (parameterToUse, [this] (float value) { relay.setToggleState (value >= 0.5f); }, undo)
{
    relay.addListener (this);
    sendProperties();
    attachment.sendInitialUpdate();
}

WebToggleButtonParameterAttachment::~WebToggleButtonParameterAttachment()
{
    relay.removeListener (this);
}

void WebToggleButtonParameterAttachment::sendProperties()
{
    relay.emitEvent (propertiesEvent (parameter));
}

void WebToggleButtonParameterAttachment::toggleStateChanged (bool newState)
{
    attachment.setValueAsCompleteGesture (newState ? 1.0f : 0.0f);
}

void WebToggleButtonParameterAttachment::initialUpdateRequested()
{
    sendProperties();
    attachment.sendInitialUpdate();
}

//==============================================================================
WebComboBoxParameterAttachment::WebComboBoxParameterAttachment (juce::RangedAudioParameter& parameterToUse,
                                                                WebComboBoxRelay& relayToUse, juce::UndoManager* undo)
    : parameter (parameterToUse),
      relay (relayToUse),
      choices (parameterToUse.getAllValueStrings()),
      attachment (
          parameterToUse,
          [this] (float index) { relay.setValue (lastIndex() > 0 ? juce::jlimit (0.0f, 1.0f, index / (float) lastIndex()) : 0.0f); },
          undo)
{
    if (auto* choice = dynamic_cast<juce::AudioParameterChoice*> (&parameterToUse))
        choices = choice->choices;
    relay.addListener (this);
    sendProperties();
    attachment.sendInitialUpdate();
}

WebComboBoxParameterAttachment::~WebComboBoxParameterAttachment()
{
    relay.removeListener (this);
}

void WebComboBoxParameterAttachment::sendProperties()
{
    auto event = propertiesEvent (parameter);
    event.getDynamicObject()->setProperty ("choices", choices);
    relay.emitEvent (event);
}

void WebComboBoxParameterAttachment::valueChanged (float newNormalisedValue)
{
    attachment.setValueAsCompleteGesture ((float) juce::roundToInt (newNormalisedValue * (float) lastIndex()));
}

void WebComboBoxParameterAttachment::initialUpdateRequested()
{
    sendProperties();
    attachment.sendInitialUpdate();
}
} // namespace kavro::web
