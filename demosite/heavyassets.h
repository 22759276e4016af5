#pragma once

#include <string>

// What the pages of the demonstration site's "heavy" variant carry besides their forms, as real
// bookmarking sites' pages do: two style sheets (about 100 KB), two scripts (about 300 KB, part of
// it run on load), a web font, a dozen images and a favicon. Everything is made once, the same on
// every start, and served with ordinary cache headers.
namespace tvx::demosite::heavy {

struct Asset {
    std::string body;
    std::string contentType;
    std::string etag; // quoted, as sent
};

// The asset named `name` ("site.css", "img3.png", ...), or nullptr.
const Asset* asset(const std::string& name);

// Total size of the assets, in bytes.
size_t totalBytes();

// The elements of a page's <head> that load the style sheets, the scripts and the favicon from
// `assets` (the path the assets are served under, without a trailing slash).
std::string head(const std::string& assets);
// A page's banner (logo, menu, sidebar with the other images) and its footer, around the content.
std::string banner(const std::string& assets);
std::string footer();

} // namespace tvx::demosite::heavy
