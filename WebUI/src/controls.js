// Binds plain form elements to the plug-in's parameter relays. Each relay's state object only
// hears from the plug-in through its echo, so every view update happens in the listeners.
import { slider, toggle, comboBox } from "./bridge.js";

const parameterIndexAttribute = "data-parameter-index";

function markParameter(element, properties) {
  element.setAttribute(parameterIndexAttribute, String(properties.parameterIndex));
}

function formatValue(value, label) {
  const unit = label ? ` ${label}` : "";
  if (Math.abs(value) >= 1000)
    return `${(value / 1000).toFixed(2)} k${unit.trimStart()}`;
  return `${Number(value.toPrecision(3))}${unit}`;
}

// A range input stepping through the parameter's normalised range. One pointer press is one host
// gesture; keyboard steps without a press become a gesture that the input's change closes.
export function bindSlider(name, input, valueText) {
  const state = slider(name);
  let gestureOpen = false;

  const beginGesture = () => {
    if (gestureOpen) return;
    gestureOpen = true;
    state.sliderDragStarted();
  };
  const endGesture = () => {
    if (!gestureOpen) return;
    gestureOpen = false;
    state.sliderDragEnded();
  };

  const showValue = () => {
    // While the user drags, the native echo may lag behind the thumb; moving it back would fight the drag.
    if (!gestureOpen) input.value = String(state.getNormalisedValue());
    valueText.textContent = formatValue(state.getScaledValue(), state.properties.label);
  };
  const showProperties = () => {
    const { numSteps } = state.properties;
    input.step = numSteps > 1 && numSteps < 100000 ? String(1 / (numSteps - 1)) : "any";
    markParameter(input, state.properties);
    showValue();
  };

  input.addEventListener("pointerdown", (event) => {
    input.setPointerCapture(event.pointerId);
    beginGesture();
  });
  input.addEventListener("pointerup", endGesture);
  input.addEventListener("pointercancel", endGesture);
  input.addEventListener("lostpointercapture", endGesture);
  input.addEventListener("input", () => {
    beginGesture();
    state.setNormalisedValue(Number(input.value));
  });
  input.addEventListener("change", endGesture);

  state.propertiesChangedEvent.addListener(showProperties);
  state.valueChangedEvent.addListener(showValue);
  showProperties();
}

export function bindToggle(name, checkbox) {
  const state = toggle(name);
  const showValue = () => { checkbox.checked = Boolean(state.getValue()); };

  checkbox.addEventListener("change", () => state.setValue(checkbox.checked));
  state.propertiesChangedEvent.addListener(() => markParameter(checkbox, state.properties));
  state.valueChangedEvent.addListener(showValue);
  markParameter(checkbox, state.properties);
  showValue();
}

export function bindComboBox(name, select) {
  const state = comboBox(name);
  const showValue = () => { select.selectedIndex = state.getChoiceIndex(); };
  const showProperties = () => {
    select.replaceChildren(...state.properties.choices.map((choice) => new Option(choice)));
    markParameter(select, state.properties);
    showValue();
  };

  select.addEventListener("change", () => state.setChoiceIndex(select.selectedIndex));
  state.propertiesChangedEvent.addListener(showProperties);
  state.valueChangedEvent.addListener(showValue);
  showProperties();
}
