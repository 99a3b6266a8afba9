// The editor's page bridge end to end: the real editor and processor in velbrook-pagehost, the real
// page in Chromium. One session serves the whole file; each test leaves the signal on "demo".
import { before, after, test } from "node:test";
import assert from "node:assert/strict";
import { openSession, sleep } from "./harness.mjs";

const vizKeys = ["sr", "cutoff", "reso", "type", "amount", "modLow", "modHigh", "low", "mid", "high", "inLvl", "outLvl", "hit"];

let session;
let page;

before(async () => {
  session = await openSession();
  page = session.page;
  await session.ready;
});

after(async () => {
  await session?.close();
});

const getParameter = (param) => session.control("getParameter", { param });

const eventsSince = (start, eventId) =>
  session.events.slice(start).filter((event) => event.eventId === eventId);

function latestProperties(relayEventId) {
  return session.events.findLast(
    (event) => event.eventId === relayEventId && event.payload.eventType === "propertiesChanged").payload;
}

// Gestures reach the host a little after the page input; collects them until `param`'s gesture has
// ended, then a while longer so that a stray extra gesture would be seen too.
async function takeGesturesUntilEnd(param) {
  const taken = [];
  await session.waitFor(async () => {
    taken.push(...await session.control("takeGestures"));
    return taken.some((gesture) => gesture.param === param && gesture.kind === "end");
  }, { what: () => `the end of a ${param} gesture (got ${JSON.stringify(taken)})` });
  await sleep(200);
  taken.push(...await session.control("takeGestures"));
  return taken;
}

const oneGesture = (param) => [{ param, kind: "begin" }, { param, kind: "end" }];

test("the page starts with every relay initialised, the native functions listed and the preset shown", async () => {
  const data = await page.evaluate(() => window.__JUCE__.initialisationData);
  assert.deepEqual(
    [data.__juce__sliders.length, data.__juce__toggles.length, data.__juce__comboBoxes.length, data.__juce__functions.length],
    [181, 13, 14, 18]);

  const relayEventIds = [
    ...data.__juce__sliders.map((name) => `__juce__slider${name}`),
    ...data.__juce__toggles.map((name) => `__juce__toggle${name}`),
    ...data.__juce__comboBoxes.map((name) => `__juce__comboBox${name}`),
  ];
  // A relay counts as initialised once its properties have arrived and a value after them.
  const uninitialised = () => {
    const stage = new Map();
    for (const { eventId, payload } of session.events) {
      if (payload?.eventType === "propertiesChanged" && !stage.has(eventId)) stage.set(eventId, "properties");
      if (payload?.eventType === "valueChanged" && stage.get(eventId) === "properties") stage.set(eventId, "value");
    }
    return relayEventIds.filter((id) => stage.get(id) !== "value");
  };
  await session.waitFor(() => uninitialised().length === 0, {
    what: () => `relays without properties and value: ${uninitialised().slice(0, 10).join(", ")}`,
  });

  await session.waitFor(() => page.textContent("#preset-name"), { what: "a preset name on the page" });
  assert.deepEqual(
    await page.$$eval("#filter-type option", (options) => options.map((option) => option.textContent)),
    latestProperties("__juce__comboBoxfilterType").choices);
  assert.ok(await page.$eval("#logo", (logo) => logo.complete && logo.naturalWidth > 0), "the logo loads");
  assert.deepEqual(session.pageErrors, []);
  assert.deepEqual(session.protocolErrors, []);
});

test("the control under the mouse is the editor's control parameter index", async () => {
  const cutoffIndex = latestProperties("__juce__slidercutoff").parameterIndex;
  assert.equal(await page.getAttribute("#cutoff", "data-parameter-index"), String(cutoffIndex));

  const editorIndex = async () => (await session.control("editor")).controlParameterIndex;
  await page.hover("#cutoff");
  await session.waitFor(async () => (await editorIndex()) === cutoffIndex, { what: "the cutoff's index in the editor" });
  await page.mouse.move(2, 2);
  await session.waitFor(async () => (await editorIndex()) === -1, { what: "index -1 off every control" });
});

test("a drag on the cutoff slider is one host gesture that sets the parameter to the slider's position", async () => {
  await session.control("takeGestures");
  const valueBefore = await getParameter("cutoff");

  const box = await page.locator("#cutoff").boundingBox();
  const y = box.y + box.height / 2;
  const x = (fraction) => box.x + box.width * fraction;
  await page.mouse.move(x(0.2), y);
  await page.mouse.down();
  for (const fraction of [0.35, 0.5, 0.65, 0.8]) await page.mouse.move(x(fraction), y, { steps: 3 });
  await page.mouse.up();

  assert.deepEqual(await takeGesturesUntilEnd("cutoff"), oneGesture("cutoff"));
  const { start, end, skew } = latestProperties("__juce__slidercutoff");
  const position = Number(await page.inputValue("#cutoff"));
  const expected = start + (end - start) * position ** (1 / skew);
  const valueAfter = await getParameter("cutoff");
  assert.notEqual(valueAfter, valueBefore);
  assert.ok(Math.abs(valueAfter - expected) <= expected * 0.005,
    `cutoff ${valueAfter} should be ${expected} (slider at ${position})`);
});

test("a toggle click and a choice from the list are each one complete gesture", async (t) => {
  const cases = [
    {
      param: "lfoEnable",
      change: () => page.click("#lfo-enable"),
      expected: (before) => 1 - before,
      shown: () => page.isChecked("#lfo-enable").then(Number),
    },
    {
      param: "filterType",
      change: (before) => page.selectOption("#filter-type", { index: (before + 1) % 3 }),
      expected: (before) => (before + 1) % 3,
      shown: () => page.$eval("#filter-type", (select) => select.selectedIndex),
    },
  ];
  for (const { param, change, expected, shown } of cases) {
    await t.test(param, async () => {
      await session.control("takeGestures");
      const before = await getParameter(param);
      await change(before);
      assert.deepEqual(await takeGesturesUntilEnd(param), oneGesture(param));
      assert.equal(await getParameter(param), expected(before));
      assert.equal(await shown(), expected(before));
    });
  }
});

test("host automation of cutoff moves the page's slider without a gesture coming back", async () => {
  const current = await getParameter("cutoff");
  const target = current > 3000 ? 300 : 5000;
  const { start, end, skew } = latestProperties("__juce__slidercutoff");
  const targetPosition = ((target - start) / (end - start)) ** skew;
  const textBefore = await page.textContent("#cutoff-value");
  await session.control("takeGestures");

  await session.control("setParameter", { param: "cutoff", value: target });
  await session.waitFor(async () => Math.abs(Number(await page.inputValue("#cutoff")) - targetPosition) < 1e-3,
    { what: `the slider at ${targetPosition}` });
  assert.notEqual(await page.textContent("#cutoff-value"), textBefore);
  await sleep(200);
  assert.deepEqual(await session.control("takeGestures"), []);
});

test("the next preset arrives as one presetState followed by one macroNames", async () => {
  // The earlier tests changed parameters; their "modified" notice must be out before counting.
  await sleep(300);
  const nameBefore = await page.textContent("#preset-name");
  const start = session.events.length;

  await page.click("#preset-next");
  await session.waitForEvent((event, index) => index >= start && event.eventId === "presetState");
  await sleep(500);

  const stateEvents = session.events.slice(start)
    .map((event) => event.eventId)
    .filter((eventId) => eventId === "presetState" || eventId === "macroNames");
  assert.deepEqual(stateEvents, ["presetState", "macroNames"]);
  const nameShown = await page.textContent("#preset-name");
  assert.notEqual(nameShown, nameBefore);
  assert.equal(nameShown, eventsSince(start, "presetState")[0].payload.current.name);
});

test("viz arrives about 30 times a second with its 13 values and reaches the meters", async () => {
  const windowStart = performance.now();
  const start = session.events.length;
  await sleep(2000);
  const vizEvents = eventsSince(start, "viz").filter((event) => event.time <= windowStart + 2000);

  assert.ok(vizEvents.length >= 45 && vizEvents.length <= 75, `${vizEvents.length} viz events in 2 s`);
  for (const { payload } of vizEvents) {
    assert.deepEqual(Object.keys(payload), vizKeys);
    assert.ok(Object.values(payload).every(Number.isFinite), JSON.stringify(payload));
  }
  await session.waitFor(async () => Number(await page.getAttribute("#meter-in", "aria-valuenow")) > -60,
    { what: "the input meter above its floor with the demo signal" });
});

// The detector's envelopes keep a click alive for a few blocks, so a hit may span a couple of
// events; what must not happen is the value being held: each event reports only what came since
// the one before, so the hits are one short burst followed by zeros.
test("a click after silence is reported as one short burst of hits, then zeros", async () => {
  try {
    await session.control("signal", { kind: "silence" });
    await sleep(1000);
    const start = session.events.length;
    await session.control("signal", { kind: "click" });
    await sleep(1500);

    const hits = eventsSince(start, "viz").map((event) => event.payload.hit > 0);
    const trace = hits.map(Number).join("");
    const first = hits.indexOf(true);
    const last = hits.lastIndexOf(true);
    assert.ok(first >= 0, "a hit after the click");
    assert.ok(hits.slice(first, last + 1).every(Boolean), `one burst: ${trace}`);
    assert.ok(last - first < 6, `a burst of at most 200 ms: ${trace}`);
    assert.ok(hits.length - last > 20, `zeros after the burst: ${trace}`);
  } finally {
    await session.control("signal", { kind: "demo" });
  }
});

test("the page cannot navigate away from the editor's root", async (t) => {
  const followLink = (href) => async () => {
    await page.evaluate((href) => {
      const link = Object.assign(document.createElement("a"), { id: "leave", href, textContent: "leave" });
      document.body.append(link);
    }, href);
    await page.click("#leave");
    await page.evaluate(() => document.getElementById("leave").remove());
  };
  const attempts = [
    { name: "assigning location", refused: "https://example.com/",
      attempt: () => page.evaluate(() => { location.href = "https://example.com/"; }) },
    { name: "a link", refused: "https://example.com/link", attempt: followLink("https://example.com/link") },
    { name: "a link to another editor path", refused: "juce://juce.backend/elsewhere", attempt: followLink("/elsewhere") },
    { name: "a new window", refused: "https://example.com/window",
      attempt: () => page.evaluate(() => { window.open("https://example.com/window"); }) },
  ];

  // Survives only as long as the document does: a reload or a new page would lose it.
  await page.evaluate(() => { window.documentMarker = "still here"; });
  for (const { name, refused, attempt } of attempts) {
    await t.test(name, async () => {
      await attempt();
      await session.waitFor(() => session.refusedNavigations.includes(refused), { what: `refusal of ${refused}` });
      await sleep(200);
      assert.equal(page.url(), "http://juce.backend/");
      assert.equal(await page.evaluate(() => window.documentMarker), "still here");
      assert.ok(await page.$("#preset-name"));
    });
  }
  assert.equal(await session.callNative("getPluginVersion"), "1.1.0", "the bridge still answers");
});

test("native functions take their arguments through the real bridge", async (t) => {
  const calls = [
    { name: "getPluginVersion", args: [], result: "1.1.0" },
    { name: "noSuchFunction", args: [1, "two"], result: null },
    { name: "savePreset", args: ["Only a name"], result: { ok: false } },
    { name: "savePreset", args: ["   ", ""], result: { ok: false, error: "Ungueltiger Name" } },
    { name: "loadPreset", args: [], result: false },
    { name: "renamePreset", args: ["factory-init-0001"], result: false },
  ];
  for (const { name, args, result } of calls) {
    await t.test(`${name}(${args.map((arg) => JSON.stringify(arg)).join(", ")})`, async () => {
      assert.deepEqual(await session.callNative(name, ...args), result);
    });
  }

  await t.test("setEditorSize clamps both sides", async () => {
    await session.callNative("setEditorSize", 100, 3000);
    await session.waitFor(async () => {
      const { width, height } = await session.control("editor");
      return width === 320 && height === 2400;
    }, { what: "a 320 x 2400 editor" });
  });
});
