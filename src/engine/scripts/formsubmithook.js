// A form that the page's own script submits (a button whose handler calls form.submit()) starts a
// navigation that no event announces; the wrapper announces it to the page step on the form, as the
// event `name` (bubbling).
(function (name) {
  var original = HTMLFormElement.prototype.submit;
  var dispatch = EventTarget.prototype.dispatchEvent;
  var apply = Reflect.apply;
  var Announce = Event;
  HTMLFormElement.prototype.submit = function submit() {
    try { apply(dispatch, this, [new Announce(name, { bubbles: true })]); } catch (e) {}
    return apply(original, this, arguments);
  };
})
