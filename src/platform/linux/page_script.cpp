#include "platform/linux/page_script.h"

namespace tilvo::platform::linux_host {

const char kPageScriptWorld[] = "tilvo-installer";
const char kPageScriptChannel[] = "tilvo";

// Runs at document start, before the page's own scripts.
const char kPageScript[] = R"JS(
(() => {
  'use strict';
  const channel = window.webkit.messageHandlers.tilvo;
  const isTop = window.top === window;
  const XHTML = 'http://www.w3.org/1999/xhtml';
  const KEPT_SNAPSHOTS = 32;
  const kept = new Map();  // snapshot serial -> the elements its refs point at
  // Serials differ between documents too, so that a write meant for a document that has gone finds nothing.
  let serial = Math.floor(Math.random() * 2 ** 48);

  const post = (message) => channel.postMessage(JSON.stringify(message));
  const pixels = (n) => (Number.isFinite(n) && n > 0 ? Math.trunc(n) : 0);
  // The attribute, not the property: a form's id property can be one of its fields.
  const idOf = (e) => e.getAttribute('id') ?? '';
  const kindOf = (e) =>
    e instanceof HTMLInputElement ? 'input' : e instanceof HTMLSelectElement ? 'select' : 'other';

  function snapshot(target) {
    const refs = [];
    const refOf = new Map();
    const describe = (e) => {
      let ref = refOf.get(e);
      if (ref === undefined) {
        ref = refs.push(e) - 1;
        refOf.set(e, ref);
      }
      const kind = kindOf(e);
      const alt = e.getAttribute('alt');
      return {
        ref, tag: String(e.tagName), id: idOf(e), alt: alt === null ? null : String(alt), kind,
        value: kind === 'other' ? '' : String(e.value), checked: kind === 'input' && e.checked === true,
      };
    };
    const root = document.documentElement;
    const html = root !== null && root.namespaceURI === XHTML;
    const body = document.body;
    const result = { serial: ++serial, html, body: body !== null, metrics: null, elements: [], source: null };
    if (body !== null) {
      const parent = body.parentElement;
      result.metrics = {
        html: parent !== null,
        clientWidth: parent ? pixels(parent.clientWidth) : 0, clientHeight: parent ? pixels(parent.clientHeight) : 0,
        scrollWidth: parent ? pixels(parent.scrollWidth) : 0, scrollHeight: parent ? pixels(parent.scrollHeight) : 0,
        bodyScrollWidth: pixels(body.scrollWidth), bodyScrollHeight: pixels(body.scrollHeight),
      };
      // Only what a lookup by id can find: elements with an id, and the first without one.
      let firstWithoutId = true;
      for (const e of body.getElementsByTagName('*')) {
        if (idOf(e) !== '') result.elements.push(describe(e));
        else if (firstWithoutId) {
          firstWithoutId = false;
          result.elements.push(describe(e));
        }
      }
    }
    if (target !== null) result.source = describe(target);
    kept.set(result.serial, refs);
    kept.delete(result.serial - KEPT_SNAPSHOTS);
    return result;
  }

  window.__tilvo = {
    snapshot: () => JSON.stringify(snapshot(null)),
    setValue: (snapshotSerial, ref, value) => {
      const refs = kept.get(snapshotSerial);
      const e = refs === undefined ? undefined : refs[ref];
      if (e instanceof HTMLInputElement) e.value = String(value);
    },
  };

  // Fired for a fresh load and for a page brought back from the history cache alike.
  window.addEventListener('pageshow', () => {
    post({ event: 'complete', top: isTop, url: String(location.href), snapshot: isTop ? snapshot(null) : null });
  });

  if (isTop) {
    // Bubble phase on the document: a click that the page stops on its way up is not seen.
    document.addEventListener('click', (event) => {
      const target = event.target;
      if (!(target instanceof Element)) return;
      post({ event: 'click', top: true, url: String(location.href), snapshot: snapshot(target) });
    });
  }
})();
)JS";

}  // namespace tilvo::platform::linux_host
