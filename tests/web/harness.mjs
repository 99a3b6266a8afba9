// Drives the editor through velbrook-pagehost with a headless Chromium as the page side of the
// editor's line protocol (editor/web/README.md), so browser tests exercise the real editor, relays
// and processor against the real page.
import { spawn } from "node:child_process";
import { mkdtemp, rm } from "node:fs/promises";
import { createRequire } from "node:module";
import os from "node:os";
import path from "node:path";
import readline from "node:readline";

// playwright-core is a dependency of the page's package, not of the repository root.
const { chromium } = createRequire(new URL("../../WebUI/package.json", import.meta.url))("playwright-core");

const backendHost = "juce.backend";
const juceRoot = `juce://${backendHost}/`;
// Chromium cannot serve the editor's custom scheme, so the page lives under plain http with every
// request routed here; nothing ever reaches a network.
const httpRoot = `http://${backendHost}/`;
const firstHarnessResultId = 1_000_000;
const hostExitGraceMs = 5000;

const chromiumArgs = [
  "--no-sandbox",
  "--disable-gpu",
  "--disable-quic",
  "--no-first-run",
  "--disable-background-networking",
  "--disable-component-update",
  "--disable-sync",
  "--disable-extensions",
  "--host-resolver-rules=MAP * ~NOTFOUND",
];

const emitByBackendCall = /^\s*window\.__JUCE__\.backend\.emitByBackend\(([\s\S]*)\)\s*;?\s*$/;

export const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

function toJuceUrl(url) {
  const parsed = new URL(url);
  return parsed.host === backendHost ? `juce://${backendHost}${parsed.pathname}${parsed.search}${parsed.hash}` : url;
}

function toHttpUrl(url) {
  return url.startsWith(juceRoot) ? httpRoot + url.slice(juceRoot.length) : url;
}

// Returns {eventId, payload} for an editor event script, or null for any other script.
function decodeEmittedEvent(script) {
  const call = emitByBackendCall.exec(script);
  if (!call) return null;
  const [eventId, payloadText] = JSON.parse(`[${call[1]}]`);
  return { eventId, payload: JSON.parse(payloadText) };
}

function lines(stream, onLine) {
  readline.createInterface({ input: stream, crlfDelay: Infinity }).on("line", onLine);
}

/**
 * Starts velbrook-pagehost and a headless Chromium showing the editor's page.
 * options.pagehost: the page host executable (default: $VELBROOK_PAGEHOST)
 * options.browser: the Chromium executable (default: /usr/bin/chromium)
 * options.loadTimeoutMs: how long `ready` may take (default 20 s)
 * options.controlTimeoutMs: how long one control command may take (default 10 s)
 */
export async function openSession(options = {}) {
  const {
    pagehost = process.env.VELBROOK_PAGEHOST,
    browser: browserPath = "/usr/bin/chromium",
    loadTimeoutMs = 20_000,
    controlTimeoutMs = 10_000,
  } = options;

  if (!pagehost)
    throw new Error("No page host: set VELBROOK_PAGEHOST to the velbrook-pagehost executable");

  const home = await mkdtemp(path.join(os.tmpdir(), "velbrook-web-"));
  let browser;
  try {
    browser = await chromium.launch({ executablePath: browserPath, headless: true, args: chromiumArgs });
    return await startSession({ pagehost, browser, home, loadTimeoutMs, controlTimeoutMs });
  } catch (error) {
    await browser?.close().catch(() => {});
    await rm(home, { recursive: true, force: true });
    throw error;
  }
}

async function startSession({ pagehost, browser, home, loadTimeoutMs, controlTimeoutMs }) {
  const context = await browser.newContext();
  const page = await context.newPage();

  const session = {
    page,
    home,
    events: [],
    pageErrors: [],
    // Everything the editor sent that the harness could not make sense of.
    protocolErrors: [],
    refusedNavigations: [],
  };

  let stderr = "";
  let failure = null;
  let closing = false;
  const pendingControl = new Map();
  const pendingResources = new Map();
  const eventWaiters = new Set();
  let nextControlId = 1;
  let nextResourceId = 1;
  let nextHarnessResultId = firstHarnessResultId;
  let initScript = null;
  const scriptsToRun = [];
  let runningScripts = false;

  let markReady;
  let failReady;
  session.ready = new Promise((resolve, reject) => { markReady = resolve; failReady = reject; });
  session.ready.catch(() => {}); // a session nobody awaits must not crash the process
  const readyTimer = setTimeout(
    () => failReady(new Error(`The page did not load within ${loadTimeoutMs} ms${describeStderr()}`)),
    loadTimeoutMs);

  function describeStderr() {
    return stderr.trim() ? `\npage host stderr:\n${stderr.trimEnd()}` : "";
  }

  function fail(reason) {
    if (failure) return;
    failure = new Error(reason + describeStderr());
    clearTimeout(readyTimer);
    failReady(failure);
    for (const { reject } of pendingControl.values()) reject(failure);
    pendingControl.clear();
    for (const answer of pendingResources.values()) answer(null);
    pendingResources.clear();
    for (const waiter of eventWaiters) waiter.reject(failure);
    eventWaiters.clear();
  }

  // Set once the page is fully wired, so nothing the host says can arrive before its handler.
  let host = null;

  function send(message) {
    if (!failure && host?.stdin.writable) host.stdin.write(JSON.stringify(message) + "\n");
  }

  function recordEvent(event) {
    session.events.push(event);
    const index = session.events.length - 1;
    for (const waiter of eventWaiters) waiter.offer(event, index);
  }

  // ---------------------------------------------------------------- the page side of the protocol
  await page.exposeBinding("__pagehostPost", (source, text) => {
    if (source.frame === page.mainFrame()) send({ type: "message", text: String(text) });
  });

  page.on("console", (message) => {
    if (message.type() === "error") session.pageErrors.push(`console: ${message.text()}`);
  });
  page.on("pageerror", (error) => session.pageErrors.push(`page error: ${error.message}`));
  page.on("load", () => {
    send({ type: "loaded", url: toJuceUrl(page.url()) });
    clearTimeout(readyTimer);
    markReady();
  });

  function refuseNavigation(url) {
    const juceUrl = toJuceUrl(url);
    session.refusedNavigations.push(juceUrl);
    send({ type: "navigation-refused", url: juceUrl });
  }

  // A new window's first request comes before its frame exists.
  function navigationFrame(request) {
    try {
      return request.frame();
    } catch {
      return null;
    }
  }

  // The page may not open windows: its window's navigation is refused in the route, the window closed.
  context.on("page", (popup) => { if (popup !== page) popup.close().catch(() => {}); });

  function requestResource(pathname) {
    return new Promise((resolve) => {
      if (failure) return resolve(null);
      const id = nextResourceId++;
      pendingResources.set(id, resolve);
      send({ type: "resource-request", id, path: pathname });
    });
  }

  await context.route("**/*", (route) => answerRequest(route).catch((error) => {
    if (!closing) session.pageErrors.push(`routing ${route.request().url()} failed: ${error.message}`);
  }));

  async function answerRequest(route) {
    const request = route.request();
    const url = new URL(request.url());
    const isBackend = url.protocol === "http:" && url.host === backendHost;

    if (request.isNavigationRequest()) {
      if (navigationFrame(request) !== page.mainFrame() || !isBackend || url.pathname !== "/") {
        refuseNavigation(request.url());
        // An aborted navigation leaves the current document in place; other failures show an error page.
        // A new window's request may be gone with its window, which the context's page handler closes.
        return route.abort("aborted").catch(() => {});
      }
    }
    if (!isBackend) return route.abort("blockedbyclient");

    const answer = await requestResource(url.pathname);
    if (!answer) return route.abort("failed");
    if (!answer.found) return route.fulfill({ status: 404, body: "" });
    return route.fulfill({ status: 200, contentType: answer.mime, body: Buffer.from(answer.data ?? "", "base64") });
  }

  async function load(url, script) {
    await initScript?.dispose();
    // Indirect eval keeps the editor's script at global scope, exactly as a document-start script.
    initScript = await page.addInitScript({
      content: `if (window === window.top) {
  window.webkit = { messageHandlers: { __JUCE__: { postMessage: (text) => window.__pagehostPost(text) } } };
  (0, eval)(${JSON.stringify(script)});
}`,
    });
    await page.goto(toHttpUrl(url), { waitUntil: "commit" });
  }

  function evaluate(script) {
    try {
      const event = decodeEmittedEvent(script);
      if (event) recordEvent({ ...event, time: performance.now() });
    } catch (error) {
      session.protocolErrors.push(`undecodable event script (${error.message}): ${script.slice(0, 200)}`);
    }
    scriptsToRun.push(script);
    if (!runningScripts) runScripts();
  }

  // Scripts run strictly in arrival order. Those that arrive while the page is busy go in together,
  // one round trip for the lot, or a burst such as the relays' first values would trail far behind.
  async function runScripts() {
    runningScripts = true;
    while (scriptsToRun.length > 0) {
      const batch = scriptsToRun.splice(0);
      try {
        const failures = await page.evaluate((scripts) => scripts.flatMap((script) => {
          try {
            (0, eval)(script);
            return [];
          } catch (error) {
            return [String(error)];
          }
        }), batch);
        session.pageErrors.push(...failures.map((failure) => `editor script failed: ${failure}`));
      } catch (error) {
        // A page that is navigating away loses scripts; that is expected, but kept for inspection.
        session.pageErrors.push(`evaluate failed: ${error.message.split("\n")[0]}`);
      }
    }
    runningScripts = false;
  }

  function handleHostLine(line) {
    let message;
    try {
      message = JSON.parse(line);
    } catch {
      session.protocolErrors.push(`not JSON: ${line.slice(0, 200)}`);
      return;
    }
    switch (message.type) {
      case "load":
        load(message.url, message.script).catch((error) => session.pageErrors.push(`load failed: ${error.message}`));
        break;
      case "evaluate":
        evaluate(message.script);
        break;
      case "resource": {
        const answer = pendingResources.get(message.id);
        if (!answer) {
          session.protocolErrors.push(`resource answer for unknown id ${message.id}`);
          break;
        }
        pendingResources.delete(message.id);
        answer(message);
        break;
      }
      // Unknown types are ignored, so either side can grow.
    }
  }

  // ---------------------------------------------------------------- the page host
  host = spawn(pagehost, [], {
    env: { ...process.env, HOME: home },
    stdio: ["pipe", "pipe", "pipe", "pipe"],
  });
  const controlChannel = host.stdio[3];
  host.stderr.setEncoding("utf8");
  host.stderr.on("data", (text) => { stderr += text; });
  // A closed pipe shows up as an exit; without these handlers it would be an uncaught error.
  host.stdin.on("error", () => {});
  controlChannel.on("error", () => {});

  const stderrEnded = new Promise((resolve) => host.stderr.on("close", resolve));
  const hostExited = new Promise((resolve) => {
    host.on("error", (error) => { fail(`The page host could not start (${pagehost}): ${error.message}`); resolve(); });
    host.on("exit", async (code, signal) => {
      resolve();
      if (closing) return;
      // The exit can overtake the host's last words on stderr, which are what explains it.
      await Promise.race([stderrEnded, sleep(500)]);
      fail(`The page host exited early (code ${code}, signal ${signal})`);
    });
  });

  lines(host.stdout, handleHostLine);

  lines(controlChannel, (line) => {
    let answer;
    try {
      answer = JSON.parse(line);
    } catch {
      session.protocolErrors.push(`control channel, not JSON: ${line.slice(0, 200)}`);
      return;
    }
    const pending = pendingControl.get(answer.id);
    if (!pending) return;
    pendingControl.delete(answer.id);
    if ("error" in answer) pending.reject(new Error(`control ${pending.cmd}: ${answer.error}`));
    else pending.resolve(answer.result);
  });

  session.control = (cmd, fields = {}) => new Promise((resolve, reject) => {
    if (failure) return reject(failure);
    const id = nextControlId++;
    const timer = setTimeout(() => {
      pendingControl.delete(id);
      reject(new Error(`control ${cmd}: no answer within ${controlTimeoutMs} ms${describeStderr()}`));
    }, controlTimeoutMs);
    pendingControl.set(id, {
      cmd,
      resolve: (result) => { clearTimeout(timer); resolve(result); },
      reject: (error) => { clearTimeout(timer); reject(error); },
    });
    controlChannel.write(JSON.stringify({ ...fields, id, cmd }) + "\n");
  });

  // ---------------------------------------------------------------- waiting
  // Resolves with the first recorded event, past or future, for which predicate(event, index) holds.
  session.waitForEvent = (predicate, timeoutMs = 5000) => new Promise((resolve, reject) => {
    if (failure) return reject(failure);
    const found = session.events.findIndex(predicate);
    if (found >= 0) return resolve(session.events[found]);

    const waiter = {
      offer(event, index) {
        if (!predicate(event, index)) return;
        this.finish();
        resolve(event);
      },
      reject(error) { this.finish(); reject(error); },
      finish() { clearTimeout(timer); eventWaiters.delete(waiter); },
    };
    const timer = setTimeout(() => {
      eventWaiters.delete(waiter);
      reject(new Error(`No matching event within ${timeoutMs} ms (${session.events.length} events recorded)`));
    }, timeoutMs);
    eventWaiters.add(waiter);
  });

  // Polls condition() until it returns a truthy value, which it resolves with. `what` names the
  // awaited state in the timeout message; a function is asked only then, so it can list what is missing.
  session.waitFor = async (condition, { timeoutMs = 5000, what = "condition" } = {}) => {
    const deadline = performance.now() + timeoutMs;
    for (;;) {
      if (failure) throw failure;
      const value = await condition();
      if (value) return value;
      if (performance.now() > deadline)
        throw new Error(`Timed out after ${timeoutMs} ms waiting for ${typeof what === "function" ? what() : what}`);
      await sleep(25);
    }
  };

  // Calls a native function the way the front-end library does, from the page, with result ids far
  // above the library's own so both can run side by side.
  session.callNative = (name, ...params) => page.evaluate(
    ([name, params, resultId, timeoutMs]) => new Promise((resolve, reject) => {
      const backend = window.__JUCE__.backend;
      const timer = setTimeout(() => {
        backend.removeEventListener(token);
        reject(new Error(`native function ${name} did not complete within ${timeoutMs} ms`));
      }, timeoutMs);
      const token = backend.addEventListener("__juce__complete", ({ promiseId, result }) => {
        if (promiseId !== resultId) return;
        clearTimeout(timer);
        backend.removeEventListener(token);
        resolve(result);
      });
      backend.emitEvent("__juce__invoke", { name, params, resultId });
    }),
    [name, params, nextHarnessResultId++, controlTimeoutMs]);

  // ---------------------------------------------------------------- teardown
  session.close = async () => {
    if (closing) return;
    closing = true;
    clearTimeout(readyTimer);
    send({ type: "quit" });
    host.stdin.end();
    controlChannel.end();
    await browser.close().catch(() => {});
    const killTimer = setTimeout(() => host.kill("SIGKILL"), hostExitGraceMs);
    await hostExited;
    clearTimeout(killTimer);
    await rm(home, { recursive: true, force: true });
  };

  send({ type: "ready", window: 0 });
  return session;
}
