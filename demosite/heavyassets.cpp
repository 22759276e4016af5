#include "heavyassets.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>

namespace tvx::demosite::heavy {

namespace {

constexpr int kImages = 12; // img1 the logo, img2..img11 the sidebar, img12 the banner's background

uint32_t crc32(const std::string& data)
{
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xedb88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    uint32_t c = 0xffffffffu;
    for (const unsigned char b : data)
        c = table[(c ^ b) & 0xff] ^ (c >> 8);
    return c ^ 0xffffffffu;
}

void bigEndian(std::string& out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out += char((v >> shift) & 0xff);
}

void chunk(std::string& png, const char* type, const std::string& data)
{
    bigEndian(png, uint32_t(data.size()));
    const std::string typed = std::string(type, 4) + data;
    png += typed;
    bigEndian(png, crc32(typed));
}

// An RGB picture of w x h pixels (a pattern that depends on `seed`), as a PNG whose image data is
// stored uncompressed: a valid file of a size that does not depend on a compressor.
std::string png(int w, int h, unsigned seed)
{
    std::string raw;
    raw.reserve(size_t(h) * (size_t(w) * 3 + 1));
    for (int y = 0; y < h; ++y) {
        raw += '\0'; // no filter
        for (int x = 0; x < w; ++x) {
            raw += char((x * 255 / w + seed * 37) & 0xff);
            raw += char((y * 255 / h + seed * 91) & 0xff);
            raw += char(((x ^ y) * (seed + 3)) & 0xff);
        }
    }
    std::string z = "\x78\x01"; // zlib, no compression
    for (size_t at = 0; at < raw.size() || at == 0; at += 65535) {
        const size_t len = std::min<size_t>(65535, raw.size() - at);
        z += char(at + len >= raw.size() ? 1 : 0);
        z += char(len & 0xff);
        z += char(len >> 8);
        z += char(~len & 0xff);
        z += char((~len >> 8) & 0xff);
        z.append(raw, at, len);
        if (at + len >= raw.size())
            break;
    }
    uint32_t a = 1, b = 0;
    for (const unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    bigEndian(z, (b << 16) | a);

    std::string out = "\x89PNG\r\n\x1a\n";
    std::string ihdr;
    bigEndian(ihdr, uint32_t(w));
    bigEndian(ihdr, uint32_t(h));
    ihdr += std::string("\x08\x02\x00\x00\x00", 5); // 8 bits, RGB, deflate, no filter, no interlace
    chunk(out, "IHDR", ihdr);
    chunk(out, "IDAT", z);
    chunk(out, "IEND", {});
    return out;
}

// The web font: a TrueType font of the system when there is one (fontconfig's packages bring DejaVu),
// otherwise bytes of a font's size that the browser rejects.
std::string font()
{
    for (const char* path : {"/usr/share/fonts/truetype/dejavu/DejaVuSans-ExtraLight.ttf",
                             "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"}) {
        std::ifstream in(path, std::ios::binary);
        if (in)
            return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    return std::string(120000, '\0');
}

std::string hex(unsigned v, int digits)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*x", digits, v);
    return buf;
}

// Style rules of the kind a site's framework carries, most of which match nothing on the page.
std::string styleSheet(int rules, unsigned seed, const std::string& preamble)
{
    std::string css = preamble;
    for (int i = 0; i < rules; ++i) {
        const unsigned s = unsigned(i) * 2654435761u + seed;
        css += ".c" + std::to_string(i) + " .x" + std::to_string(i % 37) + ">a:hover,.w" + std::to_string(i) +
               "[data-k=\"" + std::to_string(i % 11) + "\"]{margin:" + std::to_string(i % 13) + "px " +
               std::to_string(i % 7) + "px;padding:" + std::to_string(i % 5) + "px;color:#" + hex(s & 0xffffff, 6) +
               ";border:1px solid #" + hex((s >> 8) & 0xffffff, 6) + ";font-size:" + std::to_string(10 + i % 9) +
               "px;line-height:1." + std::to_string(i % 9) + "}\n";
    }
    return css;
}

// Functions of the kind a site's scripts hold; `prefix` names them (global declarations).
std::string functions(const std::string& prefix, int count)
{
    std::string js;
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        js += "function " + prefix + n + "(a,b){var r=[],k=b|0;for(var j=0;j<a.length;j++){var x=a[j];if((x+k)%" +
              std::to_string(i % 7 + 2) + "===0){r.push(x*" + std::to_string(i % 13 + 1) + "+k)}else if(x>" +
              std::to_string(i % 100) + "){r.push(x-" + std::to_string(i % 5) + ")}}return r.length?r:[k," + n +
              "];}\n";
    }
    return js;
}

std::string vendorScript()
{
    return "/* vendor.js: the site's libraries */\n" + functions("v", 1450) +
           "var vendor={ready:[],on:function(f){this.ready.push(f)}};\n";
}

// Run on load: builds the menu, binds handlers to the form's fields and computes over a little data,
// touching a few hundred of the functions, as a site's start-up code does.
std::string appScript()
{
    return "/* app.js: the site's own code */\n" + functions("a", 420) +
           "document.addEventListener('DOMContentLoaded',function(){"
           "var menu=document.getElementById('menu');"
           "for(var i=0;i<60;i++){var li=document.createElement('li'),a=document.createElement('a');"
           "a.href='#s'+i;a.textContent='\\u680f\\u76ee '+i;li.appendChild(a);menu.appendChild(li);}"
           "var inputs=document.getElementsByTagName('input');"
           "for(var i=0;i<inputs.length;i++)inputs[i].addEventListener('focus',function(e){e.target.className+=' on';});"
           "var data=[];for(var i=0;i<3000;i++)data.push((i*7919)%1000);"
           "var total=0;for(var i=0;i<200;i++)total+=window['a'+i](data,i).length+window['v'+i](data,i).length;"
           "document.body.setAttribute('data-ready',String(total));"
           "for(var i=0;i<vendor.ready.length;i++)vendor.ready[i]();});\n";
}

std::string etagOf(const std::string& body)
{
    uint64_t h = 1469598103934665603ull; // FNV-1a
    for (const unsigned char c : body)
        h = (h ^ c) * 1099511628211ull;
    return "\"" + hex(unsigned(h >> 32), 8) + hex(unsigned(h), 8) + "\"";
}

const std::map<std::string, Asset>& assets()
{
    static const std::map<std::string, Asset> all = [] {
        std::map<std::string, Asset> m;
        const auto add = [&](const std::string& name, std::string body, const char* type) {
            const std::string etag = etagOf(body);
            m[name] = Asset{std::move(body), type, etag};
        };
        add("site.css",
            styleSheet(520, 7,
                       "@font-face{font-family:\"Site Sans\";src:url(sitesans.ttf) format(\"truetype\")}\n"
                       "body{font-family:\"Site Sans\",sans-serif;margin:0;color:#222;background:#f4f4f4}\n"
                       ".banner{height:64px;background:#fff url(img12.png) repeat-x}.logo{float:left;margin:8px}\n"
                       ".menu{margin:0;padding:20px 0 0 180px}.menu li{display:inline-block;margin-right:12px}\n"
                       ".side{float:right;width:140px}.side img{display:block;margin:6px auto}\n"
                       ".content{margin:16px 160px 16px 16px;background:#fff;padding:12px}"
                       ".footer{clear:both;padding:12px;color:#777;font-size:12px}\n"),
            "text/css");
        add("theme.css", styleSheet(210, 91, "/* theme.css */\n"), "text/css");
        add("vendor.js", vendorScript(), "application/javascript");
        add("app.js", appScript(), "application/javascript");
        add("sitesans.ttf", font(), "font/ttf");
        add("img1.png", png(160, 48, 1), "image/png");
        for (int i = 2; i <= 8; ++i)
            add("img" + std::to_string(i) + ".png", png(32, 32, unsigned(i)), "image/png");
        for (int i = 9; i <= 11; ++i)
            add("img" + std::to_string(i) + ".png", png(120, 90, unsigned(i)), "image/png");
        add("img12.png", png(8, 64, 12), "image/png");
        add("favicon.png", png(16, 16, 13), "image/png");
        return m;
    }();
    return all;
}

} // namespace

const Asset* asset(const std::string& name)
{
    const auto it = assets().find(name);
    return it == assets().end() ? nullptr : &it->second;
}

size_t totalBytes()
{
    size_t n = 0;
    for (const auto& [name, a] : assets())
        n += a.body.size();
    return n;
}

std::string head(const std::string& dir)
{
    return "<link rel=\"stylesheet\" href=\"" + dir + "/site.css\"><link rel=\"stylesheet\" href=\"" + dir +
           "/theme.css\"><link rel=\"icon\" type=\"image/png\" href=\"" + dir + "/favicon.png\"><script src=\"" +
           dir + "/vendor.js\"></script><script src=\"" + dir + "/app.js\" defer></script>";
}

std::string banner(const std::string& dir)
{
    std::string out = "<div class=\"banner\"><img class=\"logo\" src=\"" + dir +
                      "/img1.png\" width=\"160\" height=\"48\" alt=\"\"><ul id=\"menu\" class=\"menu\"></ul></div>\n"
                      "<div class=\"side\">";
    for (int i = 2; i < kImages; ++i)
        out += "<img src=\"" + dir + "/img" + std::to_string(i) + ".png\" alt=\"\">";
    return out + "</div>\n<div class=\"content\">\n";
}

std::string footer()
{
    return "</div>\n<div class=\"footer\">版权所有 演示站点 · 关于我们 · 帮助 · 隐私</div>\n";
}

} // namespace tvx::demosite::heavy
