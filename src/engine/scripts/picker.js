// The field picker: runs in every document and frame of the site definitions window's browser pane, in
// an isolated world. While picking, the element under the pointer is outlined and the next click picks
// it; the page's own handlers see nothing of that click. The pick (or its cancelling by Esc) is reported
// as a console message that starts with `token`; `on` is the state a new document starts in.
(function (token, on) {
  'use strict';
  var swallow = false; // the rest of the picking click (mouseup, click) is kept from the page too
  var box = null;
  var report = console.log.bind(console);

  function target(e) {
    // Inside an open shadow root the event names its host; the path names the element itself.
    var path = typeof e.composedPath === 'function' ? e.composedPath() : [];
    var el = path.length > 0 && path[0] instanceof Element ? path[0] : e.target;
    if (!(el instanceof Element))
      return null;
    if (el.tagName.toLowerCase() === 'label' && el.control)
      return el.control;
    return el.closest('input,button,select,textarea') || el;
  }
  function outline(el) {
    if (!box) {
      box = document.createElement('div');
      box.style.cssText = 'position:fixed;z-index:2147483647;pointer-events:none;box-sizing:border-box;' +
        'border:2px solid #d40000;background:rgba(212,0,0,0.10);margin:0;padding:0';
    }
    if (!el) {
      box.remove();
      return;
    }
    var r = el.getBoundingClientRect();
    box.style.left = r.left + 'px';
    box.style.top = r.top + 'px';
    box.style.width = Math.max(r.width, 4) + 'px';
    box.style.height = Math.max(r.height, 4) + 'px';
    // Outside the body: the run's scans over the body never meet it.
    if (box.parentNode !== document.documentElement)
      document.documentElement.appendChild(box);
  }
  function all(tag) {
    return document.body ? Array.prototype.slice.call(document.body.getElementsByTagName(tag)) : [];
  }
  function trim(text) {
    return String(text).replace(/^ +| +$/g, '');
  }
  // A button's caption as the run reads it: its text, every run of white space one blank, trimmed.
  function caption(el) {
    return String(el.textContent).replace(/\s+/g, ' ').replace(/^ | $/g, '');
  }
  // The document the run looks in first: the top one, when this frame may see it (null: another origin).
  function topDocument() {
    try {
      return window.top.document;
    } catch (e) {
      return null;
    }
  }
  // What the run finds for the element: it looks up ids and names in the top document first, then in
  // the open shadow roots and same-origin frames; it scans the top document's inputs by their text,
  // and its <button> elements by their caption when no input has that text.
  function describe(el) {
    var tag = el.tagName.toLowerCase();
    var id = el.getAttribute('id') || '';
    var name = el.getAttribute('name') || '';
    var button = tag === 'button';
    var value = tag === 'input' ? String(el.value) : button ? caption(el) : '';
    var root = el.getRootNode();
    var top = topDocument();
    var beyond = root !== top; // in a shadow root or a frame
    var topNamed = name && top ? top.getElementsByName(name) : [];
    var named = name ? (root.getElementsByName ? root.getElementsByName(name) :
                        root.querySelectorAll('[name="' + CSS.escape(name) + '"]')) : [];
    var nameIndex = Array.prototype.indexOf.call(named, el);
    if (beyond && topNamed.length > 0)
      nameIndex = -1; // the top document's element of that name is the one found
    var scanned = !beyond && !!document.body && document.body.contains(el);
    var before = 0, anyCase = 0, inputsWithText = 0;
    var inputs = all('input');
    var buttons = button ? all('button') : [];
    for (var i = 0; i < inputs.length; i++) {
      if (tag === 'input' && inputs[i] !== el && trim(inputs[i].value) === trim(value) &&
          (inputs[i].compareDocumentPosition(el) & Node.DOCUMENT_POSITION_FOLLOWING))
        before++;
      if (tag === 'input' && String(inputs[i].value).toLowerCase() === value.toLowerCase())
        anyCase++;
      if (button && String(inputs[i].value).toLowerCase() === value.toLowerCase())
        inputsWithText++;
    }
    for (var b = 0; b < buttons.length; b++) {
      if (buttons[b] !== el && caption(buttons[b]) === value &&
          (buttons[b].compareDocumentPosition(el) & Node.DOCUMENT_POSITION_FOLLOWING))
        before++;
      if (caption(buttons[b]).toLowerCase() === value.toLowerCase())
        anyCase++;
    }
    return {
      tag: tag, type: el.getAttribute('type') || '', id: id, name: name, value: value,
      inFrame: window.top !== window,
      otherOrigin: top === null,
      inBody: scanned,
      firstWithId: id ? (beyond ? !(top && top.getElementById(id)) && root.getElementById(id) === el
                                : document.getElementById(id) === el) : true,
      nameIndex: nameIndex, nameCount: Math.max(named.length, topNamed.length),
      sameTextBefore: before, sameTextAnyCase: anyCase, inputsWithText: inputsWithText
    };
  }
  function block(e) {
    if (!on && !swallow)
      return;
    // A cancelled pointerdown would keep the mousedown that picks from coming at all.
    if (e.type !== 'pointerdown')
      e.preventDefault();
    e.stopImmediatePropagation();
    if (e.type === 'click' || e.type === 'dblclick' || e.type === 'contextmenu')
      swallow = false;
  }
  ['click', 'dblclick', 'auxclick', 'mouseup', 'pointerdown', 'pointerup', 'contextmenu', 'touchstart', 'touchend',
   'submit'].forEach(function (type) {
    window.addEventListener(type, block, true);
  });
  window.addEventListener('mousedown', function (e) {
    if (!on)
      return;
    e.preventDefault();
    e.stopImmediatePropagation();
    var el = target(e);
    if (!el || e.button !== 0)
      return;
    on = false;
    swallow = true;
    outline(null);
    report(token + JSON.stringify(describe(el)));
  }, true);
  ['mousemove', 'mouseover'].forEach(function (type) {
    window.addEventListener(type, function (e) {
      if (!on)
        return;
      e.stopImmediatePropagation();
      outline(target(e));
    }, true);
  });
  window.addEventListener('keydown', function (e) {
    if (on && e.key === 'Escape') {
      e.preventDefault();
      e.stopImmediatePropagation();
      on = false;
      outline(null);
      report(token + '{"cancel":true}');
    }
  }, true);
  window.tvxPicker = function (state) {
    on = state;
    if (!on)
      outline(null);
  };
})
