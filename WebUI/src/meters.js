// Level meters and the transient flash, fed by the plug-in's ~30 Hz "viz" event.
import { onEvent } from "./bridge.js";

const floorDb = -60;

function levelToDb(linear) {
  const db = 20 * Math.log10(Math.max(linear, 1e-9));
  return Math.min(0, Math.max(floorDb, db));
}

function showLevel(meter, linear) {
  const db = levelToDb(Number(linear) || 0);
  meter.setAttribute("aria-valuenow", db.toFixed(1));
  meter.firstElementChild.style.transform = `scaleX(${(db - floorDb) / -floorDb})`;
}

function flash(element, strength) {
  element.style.setProperty("--hit-strength", String(Math.min(1, strength)));
  element.classList.remove("flash");
  // Reading layout restarts the animation when hits follow each other closely.
  void element.offsetWidth;
  element.classList.add("flash");
}

export function showVisualisation({ inputMeter, outputMeter, hitLight }) {
  return onEvent("viz", (viz) => {
    showLevel(inputMeter, viz.inLvl);
    showLevel(outputMeter, viz.outLvl);
    if (viz.hit > 0) flash(hitLight, viz.hit);
  });
}
