// The page's only way to the plug-in: every other module goes through here, so the front-end
// library and window.__JUCE__ are touched in one place.
import * as Juce from "juce-framework-frontend-mirror";

const nativeFunctions = new Map();

export function callNative(name, ...args) {
  if (!nativeFunctions.has(name))
    nativeFunctions.set(name, Juce.getNativeFunction(name));
  return nativeFunctions.get(name)(...args);
}

// The editor's backend really removes listeners (the library's fallback backend would not), so
// pages can unsubscribe when a view goes away.
export function onEvent(eventId, listener) {
  const token = window.__JUCE__.backend.addEventListener(eventId, listener);
  return () => window.__JUCE__.backend.removeEventListener(token);
}

export const slider = (name) => Juce.getSliderState(name);
export const toggle = (name) => Juce.getToggleState(name);
export const comboBox = (name) => Juce.getComboBoxState(name);

export function relayNames() {
  const data = window.__JUCE__.initialisationData;
  return {
    sliders: [...data.__juce__sliders],
    toggles: [...data.__juce__toggles],
    comboBoxes: [...data.__juce__comboBoxes],
  };
}

export function trackHoveredParameter(attributeName) {
  const updater = new Juce.ControlParameterIndexUpdater(attributeName);
  document.addEventListener("mousemove", (event) => updater.handleMouseMove(event));
}
