#include "plugin/ParameterTable.h"
#include "support/EditorRig.h"

#include <gtest/gtest.h>

namespace params = kavro::params;

namespace
{
// Gestures and values as the host sees them.
struct HostView : juce::AudioProcessorListener
{
    explicit HostView (juce::AudioProcessor& p) : processor (p) { processor.addListener (this); }
    ~HostView() override { processor.removeListener (this); }

    void audioProcessorParameterChanged (juce::AudioProcessor*, int, float) override {}
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}
    void audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int index) override { log.add ("begin " + idOf (index)); }
    void audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int index) override { log.add ("end " + idOf (index)); }

    juce::String idOf (int index) const
    {
        return dynamic_cast<juce::AudioProcessorParameterWithID*> (processor.getParameters()[index])->paramID;
    }

    juce::AudioProcessor& processor;
    juce::StringArray log;
};

juce::var event (const char* type, juce::var value = {})
{
    auto payload = jsonObject ({ { "eventType", type } });
    if (! value.isVoid())
        payload.getDynamicObject()->setProperty ("value", value);
    return payload;
}

juce::StringArray eventTypes (const FakePage& page, const juce::String& eventId)
{
    juce::StringArray types;
    for (const auto& payload : page.events (eventId))
        types.add (payload["eventType"].toString());
    return types;
}
} // namespace

TEST (ParameterRelays, OneRelayOfTheRightKindPerParameter)
{
    EditorRig rig;
    rig.open();
    const auto data = rig.page->initialisationData();

    std::map<juce::String, params::Kind> relayKinds;
    const std::pair<const char*, params::Kind> lists[] { { "__juce__sliders", params::Kind::Float },
                                                         { "__juce__comboBoxes", params::Kind::Choice },
                                                         { "__juce__toggles", params::Kind::Bool } };
    for (const auto& [list, kind] : lists)
        for (const auto& name : *data[list].getArray())
            EXPECT_TRUE (relayKinds.emplace (name.toString(), kind).second) << "twice: " << name.toString();

    EXPECT_EQ (data["__juce__sliders"].size(), 181);
    EXPECT_EQ (data["__juce__comboBoxes"].size(), 14);
    EXPECT_EQ (data["__juce__toggles"].size(), 13);
    ASSERT_EQ (relayKinds.size(), kavro::params::all().size());
    for (const auto& definition : kavro::params::all())
        EXPECT_EQ (relayKinds[definition.id], definition.kind) << definition.id;

    EXPECT_EQ (relayKinds["ndMode"], params::Kind::Bool);
    EXPECT_EQ (relayKinds["noiseSrPos"], params::Kind::Choice);
    EXPECT_EQ (kavro::relayDeclarationOrder().size(), 208);
}

TEST (ParameterRelays, AnInitialUpdateSendsPropertiesThenTheValue)
{
    EditorRig rig;
    rig.open();
    for (const auto* eventId : { "__juce__slidercutoff", "__juce__comboBoxfilterType", "__juce__togglelfoEnable" })
        rig.page->post (eventId, event ("requestInitialUpdate"));

    const auto slider = rig.page->events ("__juce__slidercutoff");
    ASSERT_EQ (eventTypes (*rig.page, "__juce__slidercutoff"), juce::StringArray ({ "propertiesChanged", "valueChanged" }));
    const auto& cutoff = *rig.processor.apvts.getParameter ("cutoff");
    EXPECT_EQ ((double) slider[0]["start"], cutoff.getNormalisableRange().start);
    EXPECT_EQ ((double) slider[0]["end"], cutoff.getNormalisableRange().end);
    EXPECT_NEAR ((double) slider[0]["skew"], cutoff.getNormalisableRange().skew, 1e-6);
    EXPECT_EQ (slider[0]["name"].toString(), cutoff.getName (100));
    EXPECT_EQ ((int) slider[0]["parameterIndex"], cutoff.getParameterIndex());
    EXPECT_NEAR ((double) slider[1]["value"], rig.plainValue ("cutoff"), 1e-3);

    const auto combo = rig.page->events ("__juce__comboBoxfilterType");
    ASSERT_EQ (combo.size(), 2u);
    EXPECT_EQ (combo[0]["choices"].size(), 3);
    EXPECT_NEAR ((double) combo[1]["value"], rig.plainValue ("filterType") / 2.0, 1e-6);

    const auto toggle = rig.page->events ("__juce__togglelfoEnable");
    ASSERT_EQ (toggle.size(), 2u);
    EXPECT_FALSE (toggle[0].hasProperty ("choices"));
    EXPECT_TRUE (toggle[1]["value"].isBool());
}

TEST (ParameterRelays, APageDragIsOneGestureAndEveryChangeEchoesBack)
{
    EditorRig rig;
    rig.open();
    HostView host (rig.processor);

    rig.page->post ("__juce__slidercutoff", event ("sliderDragStarted"));
    for (const auto value : { 500.0, 800.0, 1200.0 })
        rig.page->post ("__juce__slidercutoff", event ("valueChanged", value));
    rig.page->post ("__juce__slidercutoff", event ("sliderDragEnded"));
    EXPECT_EQ (host.log, juce::StringArray ({ "begin cutoff", "end cutoff" }));
    EXPECT_NEAR (rig.plainValue ("cutoff"), 1200.0f, 1.0f);
    EXPECT_NEAR ((double) rig.page->events ("__juce__slidercutoff").back()["value"], 1200.0, 1.0);

    host.log.clear();
    const auto wasOn = rig.plainValue ("lfoEnable") > 0.5f;
    rig.page->post ("__juce__togglelfoEnable", event ("valueChanged", ! wasOn));
    rig.page->post ("__juce__togglelfoEnable", event ("valueChanged", "yes")); // not a boolean: ignored
    const auto otherType = rig.plainValue ("filterType") == 0.0f ? 2.0f : 0.0f;
    rig.page->post ("__juce__comboBoxfilterType", event ("valueChanged", otherType / 2.0f));
    EXPECT_EQ (host.log, juce::StringArray ({ "begin lfoEnable", "end lfoEnable", "begin filterType", "end filterType" }));
    EXPECT_EQ (rig.plainValue ("lfoEnable") > 0.5f, ! wasOn);
    EXPECT_EQ (rig.plainValue ("filterType"), otherType);
}

TEST (ParameterRelays, HostChangesReachThePage)
{
    EditorRig rig;
    rig.open();
    auto* cutoff = rig.processor.apvts.getParameter ("cutoff");
    cutoff->setValueNotifyingHost (cutoff->convertTo0to1 (3000.0f));
    auto* wave = rig.processor.apvts.getParameter ("lfoWave");
    std::thread audioThread ([wave] { wave->setValueNotifyingHost (1.0f); }); // automation while playing
    audioThread.join();
    pumpMessages (50);

    EXPECT_NEAR ((double) rig.page->events ("__juce__slidercutoff").back()["value"], 3000.0, 1.0);
    EXPECT_EQ ((double) rig.page->events ("__juce__comboBoxlfoWave").back()["value"], 1.0);
}

TEST (ParameterRelays, TheHostLearnsWhichControlThePageReports)
{
    EditorRig rig;
    auto& editor = rig.open();
    EXPECT_EQ (editor.getControlParameterIndex (editor), -1);
    rig.page->post ("__juce__controlParameterIndexChanged", "7");
    EXPECT_EQ (editor.getControlParameterIndex (editor), 7);
    rig.page->post ("__juce__controlParameterIndexChanged", -1);
    EXPECT_EQ (editor.getControlParameterIndex (editor), -1);
}
