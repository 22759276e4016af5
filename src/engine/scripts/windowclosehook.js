// Replaces the window's close() so that a page's wish to close the window is reported to the program
// as a console message carrying `token`. console.log is bound now, before the page can replace it.
(function (token) {
  var report = console.log.bind(console);
  window.close = function close() { report(token); };
})
