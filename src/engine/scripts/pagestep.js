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

  function find(lookup) {
    if (lookup.by === "id")
      return doc.getElementById(lookup.key);
    var named = doc.getElementsByName(lookup.key);
    return named.length > 0 ? named[0] : null;
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
  function press(e) {
    if (probe) {
      if (found.length <= outcomes.length)
        found.push(describe(e));
      return;
    }
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

  // The statements on the one element their lookup finds; a probe only looks that element up.
  var onElement = {
    "fillIfPresent": function (op) { // no failure when the element is absent
      var element = find(op);
      if (element)
        element.value = op.value;
      return 1;
    },
    "setValue": function (op) {
      find(op).value = op.value;
      return 1;
    },
    "setChecked": function (op) {
      find(op).checked = op.checked;
      return 1;
    },
    "press": function (op) {
      find(op).click();
      return 1;
    },
    // The form named, or the form of the control named; works even when a control named "submit"
    // hides the form's own method.
    "submitForm": function (op) {
      var element = find(op);
      var form = element instanceof HTMLFormElement ? element : element.form;
      HTMLFormElement.prototype.submit.call(form);
      try { if (targetsThisWindow(form, null)) navigating = true; } catch (x) { navigating = true; }
      return 1;
    }
  };
  // The statements that scan the page for the value; a probe presses nothing.
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
  function runAll(ops) {
    for (var i = 0; i < ops.length; i++) {
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
  }

  var present = true;
  if (plan.presence !== null) {
    try {
      present = find(plan.presence) !== null;
    } catch (e) {
      present = false;
    }
  }
  watch(window, 'submit', onSubmit, true);
  if (plan.formSubmitEvent)
    watch(window, plan.formSubmitEvent, onScriptSubmit, true);
  if (typeof navigation === 'object' && navigation)
    watch(navigation, 'navigate', onNavigate, false);
  try {
    runAll(present ? plan.ops : plan.otherwise);
  } finally {
    for (var w = 0; w < watched.length; w++)
      watched[w][0].removeEventListener(watched[w][1], watched[w][2], watched[w][3]);
  }
  for (var s = 0; s < submits.length; s++) {
    try {
      if (!submits[s].defaultPrevented && targetsThisWindow(submits[s].target, submits[s].submitter))
        navigating = true;
    } catch (e) {
      navigating = true;
    }
  }
  return { "present": present, "failed": failed, "outcomes": outcomes, "href": href, "found": found,
           "navigating": navigating };
})
