import { callNative, onEvent, trackHoveredParameter } from "./bridge.js";
import { bindSlider, bindToggle, bindComboBox } from "./controls.js";
import { showVisualisation } from "./meters.js";

const byId = (id) => document.getElementById(id);

function showPresetState(state) {
  byId("preset-name").textContent = state?.current?.name ?? "";
}

function startPresetHeader() {
  byId("preset-prev").addEventListener("click", () => callNative("loadAdjacent", -1));
  byId("preset-next").addEventListener("click", () => callNative("loadAdjacent", 1));
  onEvent("presetState", showPresetState);
  callNative("getPresetList").then(showPresetState);
}

function applyTheme(settings) {
  document.documentElement.dataset.theme = settings?.theme === "white" ? "white" : "dark";
}

callNative("getUiSettings").then(applyTheme);
startPresetHeader();
bindSlider("cutoff", byId("cutoff"), byId("cutoff-value"));
bindComboBox("filterType", byId("filter-type"));
bindToggle("lfoEnable", byId("lfo-enable"));
showVisualisation({ inputMeter: byId("meter-in"), outputMeter: byId("meter-out"), hitLight: byId("hit") });
trackHoveredParameter("data-parameter-index");
