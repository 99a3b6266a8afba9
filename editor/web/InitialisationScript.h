#pragma once

#include <juce_core/juce_core.h>

namespace kavro::web
{
// The script that gives the page window.__JUCE__ before any of its own scripts run: postMessage,
// the initialisation data (an object whose every value is an array) and the event backend.
// postMessage hands text to window.webkit.messageHandlers.__JUCE__, the page side's receiver.
juce::String makeInitialisationScript (const juce::var& initialisationData);
} // namespace kavro::web
