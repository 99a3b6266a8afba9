#include "editor/web/InitialisationScript.h"

#include "editor/web/PageConnection.h"

namespace kavro::web
{
juce::String makeInitialisationScript (const juce::var& initialisationData)
{
    // The backend is defined here rather than left to the front-end library, whose own copy cannot
    // remove a listener.
    return R"JS((function () {
  "use strict";
  if (window.__JUCE__ !== undefined && window.__JUCE__.backend !== undefined)
    return;

  const listeners = new Map();
  let nextListenerId = 0;

  const backend = {
    addEventListener(eventId, fn) {
      if (!listeners.has(eventId))
        listeners.set(eventId, new Map());
      const id = nextListenerId++;
      listeners.get(eventId).set(id, fn);
      return [eventId, id];
    },
    removeEventListener(token) {
      const [eventId, id] = token;
      const forEvent = listeners.get(eventId);
      if (forEvent !== undefined)
        forEvent.delete(id);
    },
    emitEvent(eventId, payload) {
      window.__JUCE__.postMessage(JSON.stringify({ eventId: eventId, payload: payload }));
    },
    emitByBackend(eventId, payloadText) {
      const forEvent = listeners.get(eventId);
      if (forEvent === undefined)
        return;
      const payload = JSON.parse(payloadText);
      for (const fn of Array.from(forEvent.values()))
        fn(payload);
    },
  };

  window.__JUCE__ = {
    postMessage(text) {
      window.webkit.messageHandlers.__JUCE__.postMessage(text);
    },
    initialisationData: )JS"
           + toJson (initialisationData) + R"JS(,
    backend: backend,
  };
})();
)JS";
}
} // namespace kavro::web
