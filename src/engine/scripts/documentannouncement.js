// A new top document tells the program it is there, as a console message carrying `token`.
(function (token) {
  console.log(token);
})
