// Tells the document shown that picking is switched on or off (the picker script of that document
// listens, if it was injected).
(function (on) {
  if (window.tvxPicker)
    window.tvxPicker(on);
})
