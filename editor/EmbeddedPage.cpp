#include "editor/EmbeddedPage.h"

#include "BinaryData.h"

#include <map>

namespace kavro
{
juce::String mimeTypeFor (const juce::String& fileName)
{
    static const std::map<juce::String, juce::String> types {
        { "html", "text/html" },        { "css", "text/css" },         { "js", "text/javascript" },
        { "svg", "image/svg+xml" },     { "json", "application/json" }, { "png", "image/png" },
        { "woff2", "font/woff2" },
    };
    const auto extension = fileName.fromLastOccurrenceOf (".", false, false).toLowerCase();
    const auto type = types.find (extension);
    return type != types.end() ? type->second : "application/octet-stream";
}

std::optional<web::WebBrowserComponent::Resource> serveEmbeddedPage (const juce::String& path)
{
    static const std::pair<const char*, const char*> served[] {
        { "index.html", "index_html" },
        { "bundle.js", "bundle_js" },
        { "kavro-logo.svg", "kavrologo_svg" },
    };

    const auto name = (path.isEmpty() || path == "/") ? juce::String ("index.html")
                                                      : path.fromFirstOccurrenceOf ("/", false, false);
    for (const auto& [fileName, resourceName] : served)
    {
        if (name != fileName)
            continue;
        int size = 0;
        const auto* bytes = BinaryData::getNamedResource (resourceName, size);
        if (bytes == nullptr || size <= 0)
            return std::nullopt;
        const auto* first = reinterpret_cast<const std::byte*> (bytes);
        return web::WebBrowserComponent::Resource { { first, first + size }, mimeTypeFor (name) };
    }
    return std::nullopt;
}
} // namespace kavro
