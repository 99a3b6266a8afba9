#pragma once

#include "editor/web/WebBrowserComponent.h"

namespace kavro
{
// The page's three files, embedded at build time, served by request path ("/" is index.html).
std::optional<web::WebBrowserComponent::Resource> serveEmbeddedPage (const juce::String& path);

// The MIME type for a file name, by its extension.
juce::String mimeTypeFor (const juce::String& fileName);
} // namespace kavro
