#include "ResourceScript.hpp"

#include <cctype>
#include <cstdlib>
#include <set>
#include <vector>

namespace rc {

namespace {

struct Token {
    enum Kind { Word, Text, OpenBrace, CloseBrace, End } kind;
    std::string value;
    int line;
};

std::vector<Token> Tokenize(const std::string& text)
{
    std::vector<Token> tokens;
    int line = 1;
    std::size_t i = 0;
    auto fail = [&line](const std::string& what) { throw ScriptError("line " + std::to_string(line) + ": " + what); };
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\n') {
            ++line, ++i;
        } else if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (text.compare(i, 2, "/*") == 0) {
            const std::size_t end = text.find("*/", i + 2);
            if (end == std::string::npos)
                fail("unterminated comment");
            for (std::size_t k = i; k < end; ++k)
                line += text[k] == '\n';
            i = end + 2;
        } else if (text.compare(i, 2, "//") == 0) {
            while (i < text.size() && text[i] != '\n')
                ++i;
        } else if (c == '{' || c == '}') {
            tokens.push_back({c == '{' ? Token::OpenBrace : Token::CloseBrace, std::string(1, c), line});
            ++i;
        } else if (c == '"') {
            std::string value;
            ++i;
            while (true) {
                if (i >= text.size() || text[i] == '\n')
                    fail("unterminated text");
                if (text[i] == '"')
                    break;
                if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == '"' || text[i + 1] == '\\'))
                    ++i;
                value.push_back(text[i++]);
            }
            ++i;
            tokens.push_back({Token::Text, value, line});
        } else {
            std::string value;
            while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i])) && text[i] != '{' &&
                   text[i] != '}' && text[i] != '"')
                value.push_back(text[i++]);
            tokens.push_back({Token::Word, value, line});
        }
    }
    tokens.push_back({Token::End, std::string(), line});
    return tokens;
}

class Parser {
public:
    Parser(std::vector<Token> tokens, const IconRenderer& render) : tokens(std::move(tokens)), render(render) {}

    RS::ResourceImage Parse()
    {
        while (Peek().kind != Token::End) {
            const Token keyword = Expect(Token::Word, "a resource kind");
            if (keyword.value == "language")
                image.language = static_cast<UInt32>(Number(0, 0xFFFF));
            else if (keyword.value == "strings")
                StringList();
            else if (keyword.value == "dialog")
                Dialog();
            else if (keyword.value == "moduleid")
                ModuleId();
            else if (keyword.value == "icon")
                Icon();
            else if (keyword.value == "icongroup")
                IconGroup();
            else
                Fail(keyword, "unknown resource kind '" + keyword.value + "'");
        }
        return image;
    }

private:
    [[noreturn]] void Fail(const Token& at, const std::string& what) const
    {
        throw ScriptError("line " + std::to_string(at.line) + ": " + what);
    }

    const Token& Peek() const { return tokens[position]; }

    Token Expect(Token::Kind kind, const char* what)
    {
        const Token& token = Peek();
        if (token.kind != kind)
            Fail(token, std::string("expected ") + what);
        ++position;
        return token;
    }

    void ExpectWord(const char* word)
    {
        const Token token = Expect(Token::Word, word);
        if (token.value != word)
            Fail(token, std::string("expected '") + word + "'");
    }

    long long Number(long long minimum, long long maximum)
    {
        const Token token = Expect(Token::Word, "a number");
        char* end = nullptr;
        const long long value = std::strtoll(token.value.c_str(), &end, 0);
        if (token.value.empty() || *end != '\0')
            Fail(token, "'" + token.value + "' is not a number");
        if (value < minimum || value > maximum)
            Fail(token, "number " + token.value + " out of range");
        return value;
    }

    Int32 ResourceId(const char* kind)
    {
        const Token& at = Peek();
        const auto id = static_cast<Int32>(Number(1, 32767));
        if (!ids.insert(std::string(kind) + " " + std::to_string(id)).second)
            Fail(at, std::string(kind) + " " + std::to_string(id) + " defined twice");
        return id;
    }

    GS::UniString Utf8(const std::string& text) const
    {
        return GS::UniString(text.data(), static_cast<UInt32>(text.size()), CC_UTF8);
    }

    void StringList()
    {
        const Int32 id = ResourceId("strings");
        Expect(Token::Text, "the list's description");
        Expect(Token::OpenBrace, "'{'");
        std::vector<GS::UniString> texts;
        while (Peek().kind == Token::Text)
            texts.push_back(Utf8(Expect(Token::Text, "a text").value));
        Expect(Token::CloseBrace, "a text or '}'");
        image.stringLists[id] = std::move(texts);
    }

    void Dialog()
    {
        RS::DialogResource dialog;
        const Int32 id = ResourceId("dialog");
        dialog.id = static_cast<Int16>(id);
        dialog.kind = Expect(Token::Word, "the dialog kind").value;
        dialog.title = Utf8(Expect(Token::Text, "the title").value);
        ExpectWord("help");
        dialog.helpName = Expect(Token::Text, "the help name").value;
        ExpectWord("size");
        dialog.width = static_cast<Int32>(Number(0, 32767));
        dialog.height = static_cast<Int32>(Number(0, 32767));
        if (Peek().kind == Token::Word && Peek().value == "frame") {
            ++position;
            while (Peek().kind == Token::Word)
                dialog.frameOptions.push_back(Expect(Token::Word, "a frame option").value);
        }
        Expect(Token::OpenBrace, "'{'");
        while (Peek().kind == Token::Word) {
            ExpectWord("item");
            RS::DialogItem item;
            const Token& at = Peek();
            item.id = static_cast<Int16>(Number(1, 32767));
            for (const auto& other : dialog.items) {
                if (other.id == item.id)
                    Fail(at, "item defined twice");
            }
            item.type = Expect(Token::Word, "the item type").value;
            item.x = static_cast<Int32>(Number(-32768, 32767));
            item.y = static_cast<Int32>(Number(-32768, 32767));
            item.width = static_cast<Int32>(Number(0, 32767));
            item.height = static_cast<Int32>(Number(0, 32767));
            ExpectWord("help");
            item.helpName = Expect(Token::Text, "the item's help name").value;
            dialog.items.push_back(item);
        }
        Expect(Token::CloseBrace, "'item' or '}'");
        image.dialogs[id] = std::move(dialog);
    }

    void ModuleId()
    {
        const Int32 id = ResourceId("moduleid");
        const auto developerId = static_cast<UInt32>(Number(0, 0xFFFFFFFFLL));
        const auto localId = static_cast<UInt32>(Number(0, 0xFFFFFFFFLL));
        image.moduleIdentifiers[id] = {developerId, localId};
    }

    void Icon()
    {
        const Token name = Expect(Token::Text, "the icon's name");
        if (image.icons.count(name.value) != 0)
            Fail(name, "icon defined twice");
        const std::string svg = Expect(Token::Text, "the SVG file").value;
        const int pixels = static_cast<int>(Number(1, 1024));
        image.icons[name.value] = render(svg, pixels);
    }

    void IconGroup()
    {
        const Int32 id = ResourceId("icongroup");
        Expect(Token::OpenBrace, "'{'");
        std::vector<std::pair<Int32, std::string>> images;
        while (Peek().kind == Token::Word) {
            const int pixels = static_cast<int>(Number(1, 1024));
            const std::string svg = Expect(Token::Text, "the SVG file").value;
            images.emplace_back(pixels, render(svg, pixels));
        }
        Expect(Token::CloseBrace, "a size or '}'");
        image.iconGroups[id] = std::move(images);
    }

    std::vector<Token> tokens;
    std::size_t position = 0;
    const IconRenderer& render;
    RS::ResourceImage image;
    std::set<std::string> ids;
};

}  // namespace

RS::ResourceImage ParseResourceScript(const std::string& text, const IconRenderer& render)
{
    return Parser(Tokenize(text), render).Parse();
}

}  // namespace rc
