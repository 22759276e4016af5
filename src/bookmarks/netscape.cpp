#include "netscape.h"

#include <QRegularExpression>

#include <libxml/HTMLparser.h>
#include <libxml/tree.h>
#include <memory>

namespace tvx::bookmarks::netscape {

namespace {

constexpr qsizetype kChunk = 256 * 1024;

struct DocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
struct CtxtFree {
    void operator()(htmlParserCtxt* ctxt) const { htmlFreeParserCtxt(ctxt); }
};

bool named(const xmlNode* node, const char* name)
{
    return node->type == XML_ELEMENT_NODE && xmlStrcasecmp(node->name, BAD_CAST name) == 0;
}

QString attribute(xmlNode* node, const char* name)
{
    xmlChar* value = xmlGetProp(node, BAD_CAST name);
    if (!value)
        return {};
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(value));
    xmlFree(value);
    return text;
}

bool hasAttribute(xmlNode* node, const char* name)
{
    return xmlHasProp(node, BAD_CAST name) != nullptr;
}

// The text of an element and everything inside it, as a reader sees it.
QString allText(xmlNode* node)
{
    xmlChar* content = xmlNodeGetContent(node);
    if (!content)
        return {};
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(content));
    xmlFree(content);
    return text;
}

// A title is one line: line breaks and tabs become blanks, the ends are trimmed.
QString oneLine(QString text)
{
    static const QRegularExpression breaks(QStringLiteral("[\\r\\n\\t]+"));
    return text.replace(breaks, QStringLiteral(" ")).trimmed();
}

// The text of a <DD> (or an <A>) up to the structure that the parser may have placed inside it (a
// folder's list or the next entry, when the file left the element open), with its line breaks.
QString ownText(xmlNode* element)
{
    QString text;
    std::vector<xmlNode*> pending;
    for (xmlNode* c = element->last; c; c = c->prev)
        pending.push_back(c);
    while (!pending.empty()) {
        xmlNode* node = pending.back();
        pending.pop_back();
        if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
            text += QString::fromUtf8(reinterpret_cast<const char*>(node->content));
        } else if (node->type == XML_ELEMENT_NODE) {
            if (named(node, "dl") || named(node, "dt") || named(node, "dd") || named(node, "h3") || named(node, "a"))
                break;
            if (named(node, "br"))
                text += QLatin1Char('\n');
            for (xmlNode* c = node->last; c; c = c->prev)
                pending.push_back(c);
        }
    }
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text.trimmed();
}

QString tagsAttribute(const QString& tags)
{
    QStringList words;
    for (const QString& piece : tags.split(QLatin1Char(','))) {
        const QString word = categoryWord(piece);
        if (!word.isEmpty() && !words.contains(word))
            words.append(word);
    }
    return words.join(QLatin1Char(' '));
}

// Walks the document in order: an <H3> names the folder whose <DL> follows it; an <A> with an address
// is a bookmark in the folders open around it; a <DD> right after a bookmark is its description.
class Walker {
public:
    QList<ImportedItem> walk(xmlNode* root)
    {
        struct Frame {
            xmlNode* node;
            bool entered;
        };
        std::vector<Frame> stack{{root, false}};
        while (!stack.empty()) {
            Frame& frame = stack.back();
            xmlNode* node = frame.node;
            if (frame.entered) {
                stack.pop_back();
                if (named(node, "dl"))
                    m_folders.pop_back();
                continue;
            }
            frame.entered = true;
            if (!enter(node)) {
                stack.pop_back();
                continue;
            }
            for (xmlNode* c = node->last; c; c = c->prev)
                if (c->type == XML_ELEMENT_NODE)
                    stack.push_back({c, false});
        }
        return std::move(m_items);
    }

private:
    enum class Last { Nothing, Bookmark, Folder };
    struct Folder {
        QString name;
        bool counts = false; // a browser's own root folder (toolbar, other bookmarks) is no category
    };

    // Returns whether to walk the node's children.
    bool enter(xmlNode* node)
    {
        if (named(node, "dl")) {
            m_folders.push_back(m_pending);
            m_pending = Folder{};
            m_last = Last::Nothing;
            return true;
        }
        if (named(node, "h3")) {
            m_pending = Folder{oneLine(allText(node)), !hasAttribute(node, "personal_toolbar_folder") &&
                                                           !hasAttribute(node, "unfiled_bookmarks_folder")};
            m_last = Last::Folder;
            return false;
        }
        if (named(node, "a") && hasAttribute(node, "href")) {
            ImportedItem item;
            item.bookmark.url = attribute(node, "href").trimmed();
            item.bookmark.title = oneLine(ownText(node));
            item.bookmark.tags = tagsAttribute(attribute(node, "tags"));
            item.line = int(xmlGetLineNo(node));
            for (const Folder& f : m_folders)
                if (f.counts && !f.name.isEmpty())
                    item.folders.append(f.name);
            m_items.append(std::move(item));
            m_last = Last::Bookmark;
            return true; // a link left open holds the entries that follow it
        }
        if (named(node, "dd")) {
            if (m_last == Last::Bookmark && m_items.last().bookmark.summary.isEmpty())
                m_items.last().bookmark.summary = ownText(node);
            m_last = Last::Nothing;
            return true; // a folder's list may sit inside its description
        }
        if (named(node, "dt"))
            m_last = Last::Nothing;
        return true;
    }

    QList<ImportedItem> m_items;
    std::vector<Folder> m_folders;
    Folder m_pending;
    Last m_last = Last::Nothing;
};

QString escaped(const QString& text)
{
    QString out = text.toHtmlEscaped(); // &, <, >, "
    return out;
}

} // namespace

bool looksLike(const QByteArray& bytes)
{
    QByteArray head = bytes.left(8192).toLower();
    if (head.startsWith("\xef\xbb\xbf"))
        head.remove(0, 3);
    // Also a page of links without the folders' lists (a reading list's export): a table of values
    // never begins with a tag.
    return head.contains("<!doctype netscape-bookmark-file") ||
           (head.contains("<dl") && head.contains("<a ") && head.contains("href")) ||
           (head.trimmed().startsWith('<') && head.contains("href"));
}

QList<ImportedItem> read(const QString& text, const ReadProgress& progress)
{
    const QByteArray utf8 = text.toUtf8();
    // The text is already decoded: the parser is told it is UTF-8 and to ignore what the file declares.
    std::unique_ptr<htmlParserCtxt, CtxtFree> ctxt(
        htmlCreatePushParserCtxt(nullptr, nullptr, nullptr, 0, nullptr, XML_CHAR_ENCODING_UTF8));
    if (!ctxt)
        return {};
    ctxt->linenumbers = 1;
    htmlCtxtUseOptions(ctxt.get(), HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET |
                                       HTML_PARSE_IGNORE_ENC | HTML_PARSE_COMPACT | XML_PARSE_HUGE);
    const qsizetype total = utf8.size();
    for (qsizetype at = 0; at < total; at += kChunk) {
        const int size = int(std::min(kChunk, total - at));
        htmlParseChunk(ctxt.get(), utf8.constData() + at, size, 0);
        if (progress && !progress(at + size, total))
            break;
    }
    htmlParseChunk(ctxt.get(), nullptr, 0, 1);
    std::unique_ptr<xmlDoc, DocFree> doc(ctxt->myDoc);
    ctxt->myDoc = nullptr;
    if (!doc)
        return {};
    xmlNode* root = xmlDocGetRootElement(doc.get());
    return root ? Walker().walk(root) : QList<ImportedItem>{};
}

QByteArray write(const QList<Bookmark>& bookmarks, qint64 addDate)
{
    QString out = QStringLiteral("<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
                                 "<!-- This is an automatically generated file.\n"
                                 "     It will be read and overwritten.\n"
                                 "     DO NOT EDIT! -->\n"
                                 "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
                                 "<TITLE>Bookmarks</TITLE>\n"
                                 "<H1>Bookmarks</H1>\n"
                                 "<DL><p>\n");
    const QString date = QString::number(addDate);
    for (const Bookmark& b : bookmarks) {
        out += QStringLiteral("    <DT><A HREF=\"") + escaped(b.url) + QStringLiteral("\" ADD_DATE=\"") + date +
               QLatin1Char('"');
        const QStringList tags = b.tags.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (!tags.isEmpty())
            out += QStringLiteral(" TAGS=\"") + escaped(tags.join(QLatin1Char(','))) + QLatin1Char('"');
        out += QLatin1Char('>') + escaped(b.title) + QStringLiteral("</A>\n");
        if (!b.summary.isEmpty())
            out += QStringLiteral("    <DD>") + escaped(b.summary) + QLatin1Char('\n');
    }
    out += QStringLiteral("</DL><p>\n");
    return out.toUtf8();
}

} // namespace tvx::bookmarks::netscape
