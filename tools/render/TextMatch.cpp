#include "TextMatch.h"

#include <algorithm>
#include <vector>

namespace kavro
{
namespace
{
    int editDistance (const juce::String& a, const juce::String& b)
    {
        const auto x = a.toLowerCase();
        const auto y = b.toLowerCase();
        std::vector<int> row ((size_t) y.length() + 1);
        for (size_t j = 0; j < row.size(); ++j)
            row[j] = (int) j;

        for (int i = 1; i <= x.length(); ++i)
        {
            int diagonal = row[0];
            row[0] = i;
            for (int j = 1; j <= y.length(); ++j)
            {
                const int above = row[(size_t) j];
                row[(size_t) j] = std::min ({ above + 1, row[(size_t) j - 1] + 1, diagonal + (x[i - 1] == y[j - 1] ? 0 : 1) });
                diagonal = above;
            }
        }
        return row.back();
    }
} // namespace

juce::StringArray closestMatches (const juce::String& typed, const juce::StringArray& candidates, int maxResults)
{
    std::vector<std::pair<int, juce::String>> scored;
    for (const auto& candidate : candidates)
    {
        // A name that contains what was typed (or the reverse) is a near miss whatever its length.
        const bool contains = candidate.containsIgnoreCase (typed) || typed.containsIgnoreCase (candidate);
        scored.emplace_back (contains ? 0 : editDistance (typed, candidate), candidate);
    }

    std::stable_sort (scored.begin(), scored.end(), [] (auto& a, auto& b) { return a.first < b.first; });

    juce::StringArray result;
    for (size_t i = 0; i < scored.size() && result.size() < maxResults; ++i)
        result.add (scored[i].second);
    return result;
}
} // namespace kavro
