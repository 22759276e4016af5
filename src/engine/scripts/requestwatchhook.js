// Lets a page step see the page's own requests: every fetch() and XMLHttpRequest fires `name`-start on
// the window when it starts and `name`-end when it has been answered or has failed; `name`-ask makes it
// fire one start for each request still under way. Each is a CustomEvent whose detail is the request's
// number ("7") at the start, and the number and the answer's HTTP status at the end ("7 200"; status 0:
// no answer came). A same-document navigation fires `name`-page: history.pushState ("push"),
// history.replaceState to another path ("replace") and a change of the address's fragment ("hash").
(function (name) {
  var dispatch = EventTarget.prototype.dispatchEvent;
  var listen = EventTarget.prototype.addEventListener;
  var apply = Reflect.apply;
  var Announce = CustomEvent;
  var under = {};
  var count = 0;
  function tell(what, detail) {
    try { apply(dispatch, window, [new Announce(name + what, { detail: detail })]); } catch (e) {}
  }
  function started() {
    var id = ++count;
    under[id] = true;
    tell('-start', String(id));
    return id;
  }
  function ended(id, status) {
    if (!under[id])
      return;
    delete under[id];
    tell('-end', id + ' ' + (Number(status) || 0));
  }
  apply(listen, window, [name + '-ask', function () {
    for (var id in under)
      tell('-start', String(id));
  }]);
  var originalFetch = window.fetch;
  var then = Promise.prototype.then;
  var clone = typeof Response === 'function' ? Response.prototype.clone : null;
  var readAll = typeof Response === 'function' ? Response.prototype.arrayBuffer : null;
  var statusOf = typeof Response === 'function' ?
      Object.getOwnPropertyDescriptor(Response.prototype, 'status').get : null;
  var xhrStatus = Object.getOwnPropertyDescriptor(XMLHttpRequest.prototype, 'status').get;
  // A fetch's promise is kept when the answer's headers have come; the request has ended only when
  // its body has, which a copy of the answer read to its end tells.
  function bodyRead(id, response) {
    var status = 0;
    try { status = apply(statusOf, response, []); } catch (e) {}
    try {
      apply(then, apply(readAll, apply(clone, response, []), []),
            [function () { ended(id, status); }, function () { ended(id, status); }]);
    } catch (e) {
      ended(id, status);
    }
  }
  if (typeof originalFetch === 'function') {
    window.fetch = function fetch() {
      var id = started();
      try {
        var answer = apply(originalFetch, this, arguments);
        apply(then, answer, [function (response) { bodyRead(id, response); }, function () { ended(id, 0); }]);
        return answer;
      } catch (e) {
        ended(id, 0);
        throw e;
      }
    };
  }
  var historyKind = History.prototype;
  var push = historyKind.pushState;
  var replace = historyKind.replaceState;
  // The location's members are its own and unforgeable: the page cannot replace them.
  function pathNow() {
    try { return String(location.pathname); } catch (e) { return ''; }
  }
  historyKind.pushState = function pushState() {
    var result = apply(push, this, arguments);
    tell('-page', 'push');
    return result;
  };
  historyKind.replaceState = function replaceState() {
    var before = pathNow();
    var result = apply(replace, this, arguments);
    if (pathNow() !== before)
      tell('-page', 'replace');
    return result;
  };
  apply(listen, window, ['hashchange', function () { tell('-page', 'hash'); }]);
  var send = XMLHttpRequest.prototype.send;
  XMLHttpRequest.prototype.send = function send() {
    var request = this;
    var id = 0;
    apply(listen, this, ['loadend', function () {
      var status = 0;
      try { status = apply(xhrStatus, request, []); } catch (e) {}
      ended(id, status);
    }]);
    id = started();
    try {
      return apply(send, this, arguments);
    } catch (e) {
      ended(id, 0);
      throw e;
    }
  };
})
