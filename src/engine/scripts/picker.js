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
    var el = e.target;
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
  function inputs() {
    return document.body ? Array.prototype.slice.call(document.body.getElementsByTagName('input')) : [];
  }
  function trim(text) {
    return String(text).replace(/^ +| +$/g, '');
  }
  function describe(el) {
    var tag = el.tagName.toLowerCase();
    var id = el.getAttribute('id') || '';
    var name = el.getAttribute('name') || '';
    var value = tag === 'input' ? String(el.value) : '';
    var named = name ? document.getElementsByName(name) : [];
    var all = inputs();
    var before = 0, anyCase = 0;
    for (var i = 0; i < all.length; i++) {
      if (tag === 'input' && all[i] !== el && trim(all[i].value) === trim(value) &&
          (all[i].compareDocumentPosition(el) & Node.DOCUMENT_POSITION_FOLLOWING))
        before++;
      if (tag === 'input' && String(all[i].value).toLowerCase() === value.toLowerCase())
        anyCase++;
    }
    return {
      tag: tag, type: el.getAttribute('type') || '', id: id, name: name, value: value,
      inFrame: window.top !== window,
      inBody: !!document.body && document.body.contains(el),
      firstWithId: id ? document.getElementById(id) === el : true,
      nameIndex: Array.prototype.indexOf.call(named, el), nameCount: named.length,
      sameTextBefore: before, sameTextAnyCase: anyCase
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
