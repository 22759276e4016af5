// Lets a waiting page step see the page's own requests under way: every fetch() and XMLHttpRequest
// fires `name`-start on the window when it starts and `name`-end when it has been answered or has
// failed; `name`-ask makes it fire one start for each request still under way.
(function (name) {
  var dispatch = EventTarget.prototype.dispatchEvent;
  var listen = EventTarget.prototype.addEventListener;
  var apply = Reflect.apply;
  var Announce = Event;
  var under = 0;
  function tell(what) {
    try { apply(dispatch, window, [new Announce(name + what)]); } catch (e) {}
  }
  function started() { under++; tell('-start'); }
  function ended() { under = Math.max(0, under - 1); tell('-end'); }
  apply(listen, window, [name + '-ask', function () {
    for (var i = 0; i < under; i++)
      tell('-start');
  }]);
  var originalFetch = window.fetch;
  var then = Promise.prototype.then;
  var clone = typeof Response === 'function' ? Response.prototype.clone : null;
  var readAll = typeof Response === 'function' ? Response.prototype.arrayBuffer : null;
  // A fetch's promise is kept when the answer's headers have come; the request has ended only when
  // its body has, which a copy of the answer read to its end tells.
  function bodyRead(response) {
    try {
      apply(then, apply(readAll, apply(clone, response, []), []), [ended, ended]);
    } catch (e) {
      ended();
    }
  }
  if (typeof originalFetch === 'function') {
    window.fetch = function fetch() {
      started();
      try {
        var answer = apply(originalFetch, this, arguments);
        apply(then, answer, [bodyRead, ended]);
        return answer;
      } catch (e) {
        ended();
        throw e;
      }
    };
  }
  var send = XMLHttpRequest.prototype.send;
  XMLHttpRequest.prototype.send = function send() {
    var once = false;
    apply(listen, this, ['loadend', function () { if (!once) { once = true; ended(); } }]);
    started();
    try {
      return apply(send, this, arguments);
    } catch (e) {
      if (!once) { once = true; ended(); }
      throw e;
    }
  };
})
