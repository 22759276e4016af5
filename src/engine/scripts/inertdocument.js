// The document shown, serialised as a copy that runs nothing when it is opened again: without its
// scripts, frames, plug-ins, refreshes, event attributes (on...) and javascript: addresses, and with a
// <base> of the page's address first in its head, so that its style sheets and pictures still load.
// It works on a copy: the live page is left as it is.
(function () {
  var live = document.documentElement;
  if (!live)
    return '';
  var copy = live.cloneNode(true);
  var dropped = copy.querySelectorAll('script,iframe,frame,frameset,object,embed,applet,portal,base,' +
                                      'meta[http-equiv]');
  for (var i = 0; i < dropped.length; ++i)
    dropped[i].remove();
  // Template contents are a document fragment of their own, which the walk below would not reach.
  var templates = copy.querySelectorAll('template');
  for (var t = 0; t < templates.length; ++t)
    templates[t].remove();
  var all = copy.querySelectorAll('*');
  var scriptAddress = /^[\u0000-\u0020]*(javascript|vbscript|data\s*:\s*text\/html)/i;
  for (var e = -1; e < all.length; ++e) {
    var element = e < 0 ? copy : all[e];
    var names = element.getAttributeNames();
    for (var a = 0; a < names.length; ++a) {
      var name = names[a];
      var value = element.getAttribute(name) || '';
      var plain = value.replace(/[\u0000-\u0020]/g, '');
      if (/^on/i.test(name) || name.toLowerCase() === 'srcdoc' || scriptAddress.test(plain) ||
          /^javascript:/i.test(plain))
        element.removeAttribute(name);
    }
  }
  var head = copy.querySelector('head');
  if (!head) {
    head = document.createElement('head');
    copy.insertBefore(head, copy.firstChild);
  }
  var base = document.createElement('base');
  base.setAttribute('href', document.baseURI);
  head.insertBefore(base, head.firstChild);
  var doctype = document.doctype ? '<!DOCTYPE ' + document.doctype.name + '>' : '';
  return doctype + copy.outerHTML;
})
