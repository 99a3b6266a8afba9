#pragma once

#include "editor/web/PageConnection.h"

namespace kavro::webview
{
// The page side as a helper process: the program of this name beside the plug-in's own binary (in
// the VST3 and LV2 bundles, beside the Standalone), started with two pipes and nothing else
// inherited, stopped with the connection. When it cannot start or ends before it is ready, the
// connection reports "failed" with what is missing and how to install it.
web::PageConnection::Factory helperProcess (const juce::String& helperName);
} // namespace kavro::webview
