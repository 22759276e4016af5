#include "pagescripts.h"

#include "pagestep.h"

namespace tvx::engine::pagescripts {

QString disarmShowModalDialog()
{
    return QStringLiteral("function   showModalDialog(){return;}");
}

QString disarmAlert()
{
    return QStringLiteral("function   alert(){return;}");
}

QString windowCloseHook(const QString& token)
{
    // console.log is bound now, before the page can replace it.
    return QStringLiteral("(function () {"
                          "  var report = console.log.bind(console);"
                          "  var token = %1;"
                          "  window.close = function close() { report(token); };"
                          "})();")
        .arg(jsonString(token));
}

QString formSubmitHook(const QString& eventName)
{
    // A form that the page's own script submits (a button whose handler calls form.submit()) starts a
    // navigation that no event announces; the wrapper announces it to the page step on the form.
    return QStringLiteral("(function () {"
                          "  var name = %1;"
                          "  var original = HTMLFormElement.prototype.submit;"
                          "  var dispatch = EventTarget.prototype.dispatchEvent;"
                          "  var apply = Reflect.apply;"
                          "  var Announce = Event;"
                          "  HTMLFormElement.prototype.submit = function submit() {"
                          "    try { apply(dispatch, this, [new Announce(name, { bubbles: true })]); } catch (e) {}"
                          "    return apply(original, this, arguments);"
                          "  };"
                          "})();")
        .arg(jsonString(eventName));
}

const QString& pageStepRunner()
{
    // Runs in an isolated world: the page can neither see nor replace these functions, and its own
    // changes to built-in prototypes do not reach them. Every statement is guarded on its own; a
    // failing one is skipped, remembered, and the next one runs.
    static const QString runner = QStringLiteral(R"JS(
(function (plan) {
  'use strict';
  // A step that reaches the page after it was given up (the page was busy past the guard) does
  // nothing: the run has moved on.
  if (plan.g > 0 && Date.now() > plan.g)
    return { late: true };
  var doc = document;
  var failed = false;
  var outcomes = [];
  var href = null;
  // A probe finds every element as a step would, and touches none of them.
  var probe = plan.d === true;
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
    if (lookup[0] === 0)
      return doc.getElementById(lookup[1]);
    var named = doc.getElementsByName(lookup[1]);
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
  function run(op) {
    var kind = op[0], target = op[1], value = op[2], checked = op[3];
    var element, pressed = 0;
    if (probe && kind <= 4) {
      element = find(target);
      if (!element)
        return 0;
      found.push(describe(element));
      return 1;
    }
    switch (kind) {
    case 0: // fill when present
      element = find(target);
      if (element)
        element.value = value;
      return 1;
    case 1: // write the value
      find(target).value = value;
      return 1;
    case 2: // check or uncheck
      find(target).checked = checked;
      return 1;
    case 3: // press
      find(target).click();
      return 1;
    case 4: // submit as a form: the form named, or the form of the control named; works even when a
            // control named "submit" hides the form's own method
      element = find(target);
      var form = element instanceof HTMLFormElement ? element : element.form;
      HTMLFormElement.prototype.submit.call(form);
      try { if (targetsThisWindow(form, null)) navigating = true; } catch (x) { navigating = true; }
      return 1;
    case 5: // the first input whose blank-trimmed value equals the value
      var wanted = trimBlanks(value);
      scan('input', function (e) {
        if (isInput(e) && trimBlanks(e.value) === wanted) {
          pressed = 1;
          try { press(e); } catch (x) { failed = true; }
          return false;
        }
      });
      return pressed;
    case 6: // every input whose value equals the value in any letter case
      var lower = value.toLowerCase();
      scan('input', function (e) {
        if (isInput(e) && String(e.value).toLowerCase() === lower) {
          pressed++;
          try { press(e); } catch (x) { failed = true; }
        }
      });
      return pressed;
    case 7: // the first link whose text is exactly the value
      scan('a', function (e) {
        if (String(e.tagName).toUpperCase() === 'A' && e.innerText === value) {
          href = String(e.href);
          pressed = 1;
          return false;
        }
      });
      return pressed;
    }
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
      if (ops[i][4] && outcome > 0)
        break;
    }
  }

  var present = true;
  if (plan.p !== null) {
    try {
      present = find(plan.p) !== null;
    } catch (e) {
      present = false;
    }
  }
  watch(window, 'submit', onSubmit, true);
  if (plan.t)
    watch(window, plan.t, onScriptSubmit, true);
  if (typeof navigation === 'object' && navigation)
    watch(navigation, 'navigate', onNavigate, false);
  try {
    runAll(present ? plan.a : plan.b);
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
  return { p: present, f: failed, o: outcomes, h: href, e: found, n: navigating };
})
)JS");
    return runner;
}

} // namespace tvx::engine::pagescripts
