// Carries out one page step; the program calls it with the step's plan. The names in double quotes and
// the plan's members are the program's too (engine/pageprotocol.h).
//
// Runs in an isolated world: the page can neither see nor replace these functions, and its own
// changes to built-in prototypes do not reach them. Every statement is guarded on its own; a
// failing one is skipped, remembered, and the next one runs.
(function (plan) {
  'use strict';
  // A step that reaches the page after it was given up (the page was busy past the guard) does
  // nothing: the run has moved on.
  if (plan.deadline > 0 && Date.now() > plan.deadline)
    return { "late": true };
  var doc = document;
  var failed = false;
  var outcomes = [];
  var href = null;
  // A probe finds every element as a step would, and touches none of them.
  var probe = plan.probe === true;
  var found = [];

  // Whether a press started a navigation of this window: a form submission that nothing prevented,
  // a form the page's script submitted, or a navigation begun at once (a link, a new location).
  var navigating = false;
  var submits = [];
  function targetsThisWindow(form, submitter) {
    var target = submitter && submitter.hasAttribute && submitter.hasAttribute('formtarget') ?
        submitter.formTarget : form.target;
    target = String(target || '').toLowerCase();
    return String(form.method) !== 'dialog' &&
        (target === '' || target === '_self' || target === '_top' || target === '_parent');
  }
  function onSubmit(e) { submits.push(e); }
  function onScriptSubmit(e) {
    try { if (targetsThisWindow(e.target, null)) navigating = true; } catch (x) { navigating = true; }
  }
  function onNavigate(e) {
    try { if (!e.destination.sameDocument && !e.downloadRequest) navigating = true; } catch (x) { navigating = true; }
  }
  var watched = [];
  function watch(target, type, listener, capture) {
    try {
      target.addEventListener(type, listener, capture);
      watched.push([target, type, listener, capture]);
    } catch (e) {
    }
  }

  // An element by id or by name: in the top document first; only when it has none, in the open shadow
  // roots and the same-origin frames, in document order, each of them first in itself and then in the
  // roots and frames it holds. An ordinary page finds its elements at once and pays nothing more.
  function findIn(root, lookup) {
    if (lookup.by === "id")
      return root.getElementById(lookup.key);
    var named = root.getElementsByName ? root.getElementsByName(lookup.key) :
        root.querySelectorAll('[name="' + CSS.escape(lookup.key) + '"]');
    return named.length > 0 ? named[0] : null;
  }
  function findBeyond(root, lookup, depth) {
    if (depth > 8)
      return null;
    var walker = (root.ownerDocument || root).createTreeWalker(root, NodeFilter.SHOW_ELEMENT);
    for (var node = walker.nextNode(); node; node = walker.nextNode()) {
      var inner = null;
      try {
        if (node.shadowRoot)
          inner = node.shadowRoot;
        else if ((node instanceof HTMLIFrameElement || node instanceof HTMLFrameElement) && node.contentDocument)
          inner = node.contentDocument; // null for a frame of another origin
      } catch (e) {
        inner = null;
      }
      if (!inner)
        continue;
      var found = null;
      try {
        found = findIn(inner, lookup) || findBeyond(inner, lookup, depth + 1);
      } catch (e) {
        found = null;
      }
      if (found)
        return found;
    }
    return null;
  }
  function find(lookup) {
    return findIn(doc, lookup) || findBeyond(doc, lookup, 0);
  }
  function trimBlanks(text) {
    return String(text).replace(/^ +| +$/g, '');
  }
  function isInput(element) {
    return String(element.tagName).toLowerCase() === 'input';
  }
  function describe(e) {
    var text = String(e.tagName).toLowerCase();
    ['type', 'id', 'name', 'value'].forEach(function (a) {
      if (e.hasAttribute(a))
        text += ' ' + a + '=' + JSON.stringify(String(e.getAttribute(a)).slice(0, 60));
    });
    return text;
  }
  // Writes a value as typing does, so that the page's own code sees it: the field gets the focus, the
  // value goes through the element's own kind of value setter (a framework's value tracker on the
  // element itself is passed by, so the input event reads as a change), then input and change
  // (bubbling) and the blur.
  var valueSetters = [];
  [HTMLInputElement, HTMLTextAreaElement, HTMLSelectElement].forEach(function (kind) {
    try { valueSetters.push([kind, Object.getOwnPropertyDescriptor(kind.prototype, 'value').set]); } catch (e) {}
  });
  function announce(element, type) {
    try { element.dispatchEvent(new Event(type, { bubbles: true })); } catch (e) {}
  }
  function focusOn(element) {
    try { if (typeof element.focus === 'function') element.focus({ preventScroll: true }); } catch (e) {}
  }
  function leave(element) {
    try { if (typeof element.blur === 'function') element.blur(); } catch (e) {}
  }
  // Whether the element is of the kind named, made by this document or by a frame's.
  function isKind(element, name) {
    if (element instanceof window[name])
      return true;
    try {
      var view = element.ownerDocument.defaultView;
      return !!view && view !== window && element instanceof view[name];
    } catch (e) {
      return false;
    }
  }
  function typeInto(element, value) {
    focusOn(element);
    var setter = null;
    for (var i = 0; i < valueSetters.length; i++) {
      if (element instanceof valueSetters[i][0])
        setter = valueSetters[i][1];
    }
    if (!setter) { // an element of a frame: its own document's setter
      try {
        var view = element.ownerDocument.defaultView;
        ['HTMLInputElement', 'HTMLTextAreaElement', 'HTMLSelectElement'].forEach(function (kind) {
          if (view && element instanceof view[kind])
            setter = Object.getOwnPropertyDescriptor(view[kind].prototype, 'value').set;
        });
      } catch (e) {
      }
    }
    if (setter)
      setter.call(element, value);
    else
      element.value = value;
    announce(element, 'input');
    announce(element, 'change');
    leave(element);
  }
  var checkedSetter = Object.getOwnPropertyDescriptor(HTMLInputElement.prototype, 'checked').set;
  // A check box is set as a click sets it (click, input and change, as the browser fires them); one
  // whose click the page turns back is set directly and told by input and change.
  function checkBox(element, checked) {
    var type = isKind(element, 'HTMLInputElement') ? String(element.type).toLowerCase() : '';
    if (type !== 'checkbox' && type !== 'radio') {
      element.checked = checked;
      return;
    }
    if (element.checked === checked)
      return;
    focusOn(element);
    element.click();
    if (element.checked !== checked) {
      checkedSetter.call(element, checked);
      announce(element, 'input');
      announce(element, 'change');
    }
    leave(element);
  }
  function press(e) {
    if (probe) {
      if (found.length <= outcomes.length)
        found.push(describe(e));
      return;
    }
    watchPress();
    e.click();
  }
  // Walks the body's elements named `tag` in document order; the length is read once, before the
  // walk. Only those elements can match, and on a page of tens of thousands of elements walking the
  // others would cost most of the step.
  function scan(tag, visit) {
    var all = doc.body.getElementsByTagName(tag);
    var count = all.length;
    for (var i = 0; i < count; i++) {
      try {
        var element = all[i];
        if (element && visit(element) === false)
          return;
      } catch (e) {
        failed = true;
      }
    }
  }

  // A press that starts no navigation of the window (a save or a login by fetch() or XMLHttpRequest)
  // is judged by what it started, reported as a console line that starts with `pressAnswer`: the
  // requests the press started (from the first press up to the task after the step) all answered with
  // success ({"done":true}, once no navigation of the window has begun a moment later) or one with an
  // HTTP error ({"httpStatus":500}); a same-document navigation after the press ({"page":true}) counts
  // as the next page at once. A request that got no answer, or a press that started nothing, leaves
  // the step to its time-out.
  var pressWatch = null;
  function watchPress() {
    if (pressWatch || probe || !plan.pressAnswer || !plan.requestEvent)
      return;
    var w = { collecting: true, ids: {}, open: 0, any: false, errorStatus: 0, noAnswer: false, over: false,
              listeners: [], timers: [] };
    pressWatch = w;
    var log = console.log.bind(console);
    function stop() {
      if (w.over)
        return;
      w.over = true;
      for (var i = 0; i < w.listeners.length; i++)
        window.removeEventListener(w.listeners[i][0], w.listeners[i][1], true);
      for (var t = 0; t < w.timers.length; t++)
        clearTimeout(w.timers[t]);
      if (w.leaving)
        navigation.removeEventListener('navigate', w.leaving);
    }
    function report(what) {
      if (w.over)
        return;
      if (w.collecting) { // told once the step itself has been answered
        w.early = w.early || what;
        return;
      }
      stop();
      log(plan.pressAnswer + JSON.stringify(what));
    }
    function later(f, ms) { w.timers.push(setTimeout(f, ms)); }
    function judge() {
      if (w.over || w.collecting || !w.any || (w.open > 0 && !w.errorStatus))
        return;
      if (w.errorStatus)
        report({ "httpStatus": w.errorStatus });
      else if (w.noAnswer)
        w.any = false; // left to the time-out, unless a same-document navigation comes
      else
        later(function () { report({ "done": true }); }, plan.answerGraceMs);
    }
    function on(type, listener) {
      window.addEventListener(type, listener, true);
      w.listeners.push([type, listener]);
    }
    on(plan.requestEvent + '-start', function (e) {
      if (!w.collecting)
        return;
      w.ids[String(e.detail)] = true;
      w.open++;
      w.any = true;
    });
    on(plan.requestEvent + '-end', function (e) {
      var parts = String(e.detail).split(' ');
      if (!w.ids[parts[0]])
        return;
      delete w.ids[parts[0]];
      w.open--;
      var status = Number(parts[1]) || 0;
      if (status >= 400 && status <= 599) {
        if (!w.errorStatus)
          w.errorStatus = status;
      } else if (status < 200) {
        w.noAnswer = true;
      }
      judge();
    });
    on(plan.requestEvent + '-page', function () { report({ "page": true }); });
    // A navigation of the window judges the press by its own page.
    on('beforeunload', stop);
    on('pagehide', stop);
    if (typeof navigation === 'object' && navigation) {
      w.leaving = function (e) {
        try { if (!e.destination.sameDocument) stop(); } catch (x) {}
      };
      navigation.addEventListener('navigate', w.leaving);
    }
    w.close = function (navigates) {
      if (navigates) {
        stop();
        return;
      }
      later(function () {
        w.collecting = false;
        if (w.early)
          report(w.early);
        else
          judge();
      }, 0);
      later(stop, 600000); // nothing comes: the step has long been given up
    };
  }

  // The statements on the one element their lookup finds; a probe only looks that element up.
  var onElement = {
    "fillIfPresent": function (op) { // no failure when the element is absent
      var element = find(op);
      if (element)
        typeInto(element, op.value);
      return 1;
    },
    "setValue": function (op) {
      typeInto(find(op), op.value);
      return 1;
    },
    "setChecked": function (op) {
      checkBox(find(op), op.checked);
      return 1;
    },
    "press": function (op) {
      var element = find(op);
      watchPress();
      element.click();
      return 1;
    },
    // The form named, or the form of the control named; works even when a control named "submit"
    // hides the form's own method.
    "submitForm": function (op) {
      var element = find(op);
      var form = isKind(element, 'HTMLFormElement') ? element : element.form;
      watchPress();
      HTMLFormElement.prototype.submit.call(form);
      try { if (targetsThisWindow(form, null)) navigating = true; } catch (x) { navigating = true; }
      return 1;
    }
  };
  // A button's caption: its text with every run of white space one blank, trimmed.
  function caption(element) {
    return String(element.textContent).replace(/\s+/g, ' ').replace(/^ | $/g, '');
  }
  function isButton(element) {
    return String(element.tagName).toLowerCase() === 'button';
  }
  // The statements that scan the page for the value; a probe presses nothing. Each looks at the
  // inputs by their value, and only when no input matches at the <button> elements by their caption.

  var scans = {
    // The first input whose blank-trimmed value equals the value.
    "pressFirstInputByTrimmedValue": function (value) {
      var pressed = 0;
      var wanted = trimBlanks(value);
      scan('input', function (e) {
        if (isInput(e) && trimBlanks(e.value) === wanted) {
          pressed = 1;
          try { press(e); } catch (x) { failed = true; }
          return false;
        }
      });
      if (pressed === 0 && wanted !== '') {
        scan('button', function (e) {
          if (isButton(e) && caption(e) === wanted) {
            pressed = 1;
            try { press(e); } catch (x) { failed = true; }
            return false;
          }
        });
      }
      return pressed;
    },
    // Every input whose value equals the value in any letter case.
    "pressInputsByValueIgnoringCase": function (value) {
      var pressed = 0;
      var lower = value.toLowerCase();
      scan('input', function (e) {
        if (isInput(e) && String(e.value).toLowerCase() === lower) {
          pressed++;
          try { press(e); } catch (x) { failed = true; }
        }
      });
      var wanted = trimBlanks(lower);
      if (pressed === 0 && wanted !== '') {
        scan('button', function (e) {
          if (isButton(e) && caption(e).toLowerCase() === wanted) {
            pressed++;
            try { press(e); } catch (x) { failed = true; }
          }
        });
      }
      return pressed;
    },
    // The first link whose text is exactly the value.
    "findLinkHref": function (value) {
      var pressed = 0;
      scan('a', function (e) {
        if (String(e.tagName).toUpperCase() === 'A' && e.innerText === value) {
          href = String(e.href);
          pressed = 1;
          return false;
        }
      });
      return pressed;
    }
  };
  var has = Object.prototype.hasOwnProperty;
  function run(op) {
    if (has.call(onElement, op.kind)) {
      if (!probe)
        return onElement[op.kind](op);
      var element = find(op);
      if (!element)
        return 0;
      found.push(describe(element));
      return 1;
    }
    if (has.call(scans, op.kind))
      return scans[op.kind](op.value);
    throw new Error('unknown statement');
  }
  // Whether the statement writes into a field (and the page's reaction to it may be still to come).
  function writes(op) {
    return op.kind === "fillIfPresent" || op.kind === "setValue" || op.kind === "setChecked";
  }
  // Runs `ops` from `start`. With `later` (a step that may report later), a press that follows what
  // was written waits for the page's own reaction first: a framework that draws its state into the
  // form in a task or microtask of its own (Vue) has done so before the press, as after typing. Gives
  // true once every statement has run, false when the rest goes on in `later`.
  function runAll(ops, start, later) {
    var wrote = false;
    for (var i = start; i < ops.length; i++) {
      if (later && wrote && !writes(ops[i])) {
        var next = i;
        setTimeout(function () { later(next); }, 0);
        return false;
      }
      if (writes(ops[i]))
        wrote = true;
      var outcome = 0;
      try {
        outcome = run(ops[i]);
      } catch (e) {
        failed = true;
      }
      outcomes.push(outcome);
      while (found.length < outcomes.length)
        found.push('');
      if (ops[i].endIfPressed && outcome > 0)
        break;
    }
    return true;
  }

  function findsPresence() {
    if (plan.presence === null)
      return true;
    try {
      return find(plan.presence) !== null;
    } catch (e) {
      return false;
    }
  }

  // Whether the elements the step names are all there: the presence test's element when there is one
  // (its absence is decided once the page has settled), else every element the statements look up and,
  // for a press by caption, an input of that caption.
  function inputMatches(test, buttonTest) {
    var any = false;
    scan('input', function (e) {
      if (isInput(e) && test(String(e.value))) {
        any = true;
        return false;
      }
    });
    if (!any) {
      scan('button', function (e) {
        if (isButton(e) && buttonTest(caption(e))) {
          any = true;
          return false;
        }
      });
    }
    return any;
  }
  function elementsThere() {
    if (plan.presence !== null)
      return findsPresence();
    for (var i = 0; i < plan.ops.length; i++) {
      var op = plan.ops[i];
      try {
        if (has.call(onElement, op.kind)) {
          if (!find(op))
            return false;
        } else if (op.kind === "pressFirstInputByTrimmedValue") {
          var wanted = trimBlanks(op.value);
          if (!inputMatches(function (v) { return trimBlanks(v) === wanted; },
                            function (c) { return wanted !== '' && c === wanted; }))
            return false;
        } else if (op.kind === "pressInputsByValueIgnoringCase") {
          var lower = op.value.toLowerCase();
          var trimmedLower = trimBlanks(lower);
          if (!inputMatches(function (v) { return v.toLowerCase() === lower; },
                            function (c) { return trimmedLower !== '' && c.toLowerCase() === trimmedLower; }))
            return false;
        }
      } catch (e) {
        return false;
      }
    }
    return true;
  }

  // Carries the step out. With `deliver` (a step that may report later) the report goes there when
  // the step had to wait for the page on the way, and act gives null; otherwise act gives the report.
  function act(deliver) {
    var present = findsPresence();
    var ops = present ? plan.ops : plan.otherwise;
    watch(window, 'submit', onSubmit, true);
    if (plan.formSubmitEvent)
      watch(window, plan.formSubmitEvent, onScriptSubmit, true);
    if (typeof navigation === 'object' && navigation)
      watch(navigation, 'navigate', onNavigate, false);
    function finished() {
      for (var w = 0; w < watched.length; w++)
        watched[w][0].removeEventListener(watched[w][1], watched[w][2], watched[w][3]);
      for (var s = 0; s < submits.length; s++) {
        try {
          if (!submits[s].defaultPrevented && targetsThisWindow(submits[s].target, submits[s].submitter))
            navigating = true;
        } catch (e) {
          navigating = true;
        }
      }
      if (pressWatch)
        pressWatch.close(navigating);
      return { "present": present, "failed": failed, "outcomes": outcomes, "href": href, "found": found,
               "navigating": navigating };
    }
    function goOn(from) {
      // The rest of a step that the run has given up meanwhile does nothing.
      if (from > 0 && plan.deadline > 0 && Date.now() > plan.deadline) {
        finished();
        deliver({ "late": true });
        return null;
      }
      var all = true;
      try {
        all = runAll(ops, from, deliver && !probe ? goOn : null);
      } catch (e) {
        failed = true;
      }
      if (!all)
        return null;
      var report = finished();
      if (from > 0)
        deliver(report);
      return report;
    }
    return goOn(0);
  }

  // A page whose script draws the form after its load: the step watches the document until the
  // elements are there, or the page has settled without them (no change of the document and none of
  // its own requests under way for `settleMs`), or the step is due to be given up; then it acts and
  // reports later.
  function awaitElements() {
    var requests = 0;
    var quiet = null;
    var observer = null;
    var done = false;
    var listeners = [];
    function listen(type, listener) {
      window.addEventListener(type, listener, true);
      listeners.push([type, listener]);
    }
    function finish() {
      if (done)
        return;
      done = true;
      if (observer)
        observer.disconnect();
      clearTimeout(quiet);
      clearTimeout(last);
      for (var i = 0; i < listeners.length; i++)
        window.removeEventListener(listeners[i][0], listeners[i][1], true);
      var result;
      try {
        result = act(deliver);
      } catch (e) {
        result = { "present": true, "failed": true, "outcomes": outcomes, "href": null, "found": found,
                   "navigating": navigating };
      }
      if (result)
        deliver(result);
    }
    function restartQuiet() {
      clearTimeout(quiet);
      quiet = requests > 0 ? null : setTimeout(finish, plan.settleMs);
    }
    function changed() {
      if (done)
        return;
      if (elementsThere())
        finish();
      else
        restartQuiet();
    }
    if (plan.requestEvent) {
      listen(plan.requestEvent + '-start', function () { requests++; restartQuiet(); });
      listen(plan.requestEvent + '-end', function () { requests = Math.max(0, requests - 1); restartQuiet(); });
      // The requests already under way are told again, one start each.
      announce(window, plan.requestEvent + '-ask');
    }
    // A little before the deadline, so that the presses after the writes still come in time.
    var last = setTimeout(finish, Math.max(0, plan.deadline - Date.now() - 100));
    observer = new MutationObserver(changed);
    observer.observe(doc, { childList: true, subtree: true, attributes: true, characterData: true });
    restartQuiet();
  }

  // A step that reports later does so by a console line that starts with `answer` (bound now: the
  // page cannot replace it).
  var reportLine = plan.answer ? console.log.bind(console) : null;
  var deliver = reportLine ? function (report) { reportLine(plan.answer + JSON.stringify(report)); } : null;
  if (deliver && plan.awaitElements && plan.deadline > 0 && !elementsThere()) {
    awaitElements();
    return { "waiting": true };
  }
  var done = act(deliver);
  return done !== null ? done : { "waiting": true };
})
