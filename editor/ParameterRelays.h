#pragma once

#include "editor/web/ParameterAttachments.h"

#include <memory>
#include <vector>

namespace kavro
{
// The page's parameter IDs in the order the editor declares their relays: related controls together,
// each amount family in its targets' registration order.
const juce::StringArray& relayDeclarationOrder();

// One relay per parameter, of the kind its type asks for: slider for a float, combo box for a
// choice, toggle for a bool. Built in declaration order; must outlive the web view they register on.
struct ParameterRelays
{
    ParameterRelays();

    web::WebBrowserComponent::Options buildOptions (const web::WebBrowserComponent::Options&);

    std::vector<std::unique_ptr<web::WebSliderRelay>> sliders;
    std::vector<std::unique_ptr<web::WebComboBoxRelay>> comboBoxes;
    std::vector<std::unique_ptr<web::WebToggleButtonRelay>> toggles;

private:
    std::vector<web::ControlRelay*> inDeclarationOrder;
};

// The relays' attachments, without an undo manager. Declared sliders, combo boxes, toggles, so they
// are destroyed toggles first.
struct ParameterRelayAttachments
{
    ParameterRelayAttachments (juce::AudioProcessorValueTreeState&, ParameterRelays&);

    std::vector<std::unique_ptr<web::WebSliderParameterAttachment>> sliders;
    std::vector<std::unique_ptr<web::WebComboBoxParameterAttachment>> comboBoxes;
    std::vector<std::unique_ptr<web::WebToggleButtonParameterAttachment>> toggles;
};
} // namespace kavro
