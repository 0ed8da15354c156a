// The bracketed text DAT form, read by a flat loop over tokens with a depth counter.
#include <memory>
#include <optional>
#include <string>

#include "dat/dat_reader.h"
#include "dat/dat_sets.h"
#include "dat/rom_fields.h"
#include "dat/xml_set_parser.h"

namespace vesperine::dat {
namespace {

enum class TokenKind { Open, Close, Word, End };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string_view text;  // a word, or a quoted string without its quotes
    std::uint32_t line = 1;
};

// Splits the text into '(' , ')', words (runs of anything else but white space) and quoted
// strings ("..." on one line, taken literally). An unterminated quote is an error at its line.
class Tokenizer {
public:
    Tokenizer(std::string_view text, std::uint32_t line) : text_(text), line_(line) {}

    [[nodiscard]] std::optional<Token> Next(std::string& error) {
        while (pos_ < text_.size() && IsSpace(text_[pos_])) {
            if (text_[pos_] == '\n') ++line_;
            ++pos_;
        }
        if (pos_ == text_.size()) return Token{TokenKind::End, {}, line_};
        const char c = text_[pos_];
        if (c == '(' || c == ')') {
            ++pos_;
            return Token{c == '(' ? TokenKind::Open : TokenKind::Close, text_.substr(pos_ - 1, 1), line_};
        }
        if (c == '"') {
            const std::size_t close = text_.find_first_of("\"\n", pos_ + 1);
            if (close == std::string_view::npos || text_[close] != '"') {
                error = "quoted text is not closed on its line";
                return std::nullopt;
            }
            const Token token{TokenKind::Word, text_.substr(pos_ + 1, close - pos_ - 1), line_};
            pos_ = close + 1;
            return token;
        }
        const std::size_t start = pos_;
        while (pos_ < text_.size() && !IsSpace(text_[pos_]) && text_[pos_] != '(' && text_[pos_] != ')') ++pos_;
        return Token{TokenKind::Word, text_.substr(start, pos_ - start), line_};
    }

    [[nodiscard]] std::uint32_t line() const { return line_; }

private:
    [[nodiscard]] static bool IsSpace(char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::uint32_t line_;
};

[[nodiscard]] bool IsGameBlock(std::string_view name) {
    return name == "game" || name == "machine" || name == "resource";
}

void TakeSetField(DatSet& set, std::string_view key, std::string_view value) {
    if (key == "name") set.name = std::string(value);
    if (key == "description") set.description = std::string(value);
    if (key == "cloneof") set.cloneOf = std::string(value);
    if (key == "romof") set.romOf = std::string(value);
}

}  // namespace

/*
  The reader is a state machine over three places: the top level (block names), inside a game
  (keys with values, `rom ( ... )`, other sub-blocks skipped), inside a rom (keys with values).
  Blocks nested deeper than that, or inside skipped blocks, only move skipDepth. It takes one
  token at a time, a key waiting for its value, so that the text can come in blocks: each
  block's complete lines are read (no token spans a line break: quoted text closes on its line)
  and the rest waits for the next block.
*/
struct BracketSetParser::Impl {
    enum class Place { Top, Game, Rom };
    DatSets result;
    std::string tail;  // the text after the last line break fed, not yet read
    std::uint32_t line = 1;
    Place place = Place::Top;
    std::uint64_t skipDepth = 0;  // open blocks being skipped inside the current place
    DatSet set;
    std::size_t gameFirstRom = 0;
    RomEntry rom;
    SetRom setRom;
    bool sizeSeen = false;
    std::uint32_t romLine = 0;
    std::uint32_t outerLine = 0;  // where the outermost open block began
    std::optional<Token> key;     // a key read, its value not yet
    std::string keyText;          // the key's text, kept past the block it came in

    void Refuse(std::uint32_t at, std::string message) {
        if (!result.error) result.error = DatError{"", at, std::move(message)};
    }

    void Take(const Token& token) {
        if (skipDepth > 0) {
            if (token.kind == TokenKind::Open) ++skipDepth;
            if (token.kind == TokenKind::Close) --skipDepth;
            return;
        }
        if (key) return TakeValue(token);
        if (token.kind == TokenKind::Close) {
            if (place == Place::Top) return Refuse(token.line, "')' without an open block");
            if (place == Place::Rom) {
                if (auto message = CheckRomComplete(rom, sizeSeen)) return Refuse(romLine, *message);
                setRom.rom = result.roms.size();
                result.roms.push_back(std::move(rom));
                set.roms.push_back(std::move(setRom));
                place = Place::Game;
            } else {
                for (std::size_t i = gameFirstRom; i < result.roms.size(); ++i) result.roms[i].game = set.name;
                result.sets.push_back(std::move(set));
                place = Place::Top;
            }
            return;
        }
        if (token.kind == TokenKind::Open) return Refuse(token.line, "'(' without a name before it");
        key = token;
        keyText = std::string(token.text);
    }

    // A key (or at the top a block name) and what follows it.
    void TakeValue(const Token& value) {
        const std::uint32_t keyLine = key->line;
        key.reset();
        const std::string_view name = keyText;
        if (value.kind == TokenKind::Close) return Refuse(value.line, QuotedForMessage("", name) + " has no value");
        if (value.kind == TokenKind::Open) {
            if (place == Place::Top) outerLine = keyLine;
            if (place == Place::Top && IsGameBlock(name)) {
                place = Place::Game;
                set = DatSet{};
                set.isBios = name == "resource";  // clrmamepro's name for a BIOS set
                gameFirstRom = result.roms.size();
            } else if (place == Place::Game && name == "rom") {
                place = Place::Rom;
                rom = RomEntry{};
                setRom = SetRom{};
                sizeSeen = false;
                romLine = keyLine;
            } else if (place == Place::Rom) {
                return Refuse(value.line, "'(' inside a rom");
            } else {
                skipDepth = 1;
            }
            return;
        }
        if (place == Place::Top) return Refuse(keyLine, QuotedForMessage("", name) + " is not followed by '('");
        if (place == Place::Game) TakeSetField(set, name, value.text);
        if (place == Place::Rom) {
            sizeSeen = sizeSeen || name == "size";
            if (auto message = TakeRomField(rom, name, value.text)) return Refuse(value.line, *message);
            if (auto message = TakeSetRomField(setRom, name, value.text)) return Refuse(value.line, *message);
        }
    }

    void Read(std::string_view text) {
        Tokenizer tokens(text, line);
        std::string error;
        while (!result.error) {
            const std::optional<Token> token = tokens.Next(error);
            if (!token) return Refuse(tokens.line(), error);
            if (token->kind == TokenKind::End) break;
            Take(*token);
        }
        line = tokens.line();
    }
};

BracketSetParser::BracketSetParser() : impl_(std::make_unique<Impl>()) {}
BracketSetParser::~BracketSetParser() = default;

void BracketSetParser::Feed(std::string_view block) {
    Impl& s = *impl_;
    if (s.result.error) return;
    const std::size_t lastBreak = block.rfind('\n');
    if (lastBreak == std::string_view::npos) {
        s.tail.append(block);
        return;
    }
    s.tail.append(block.substr(0, lastBreak + 1));
    s.Read(s.tail);
    s.tail.assign(block.substr(lastBreak + 1));
}

DatSets BracketSetParser::Finish() {
    Impl& s = *impl_;
    if (!s.result.error) s.Read(s.tail);
    if (!s.result.error && s.key) {
        s.Refuse(s.key->line, QuotedForMessage("", s.keyText) + " ends the file without a value");
    }
    if (!s.result.error && (s.place != Impl::Place::Top || s.skipDepth > 0)) {
        s.Refuse(s.line, "the file ends inside the block opened on line " + std::to_string(s.outerLine));
    }
    DatSets result = std::move(s.result);
    if (result.error) {
        result.roms.clear();
        result.sets.clear();
    }
    return result;
}

DatSets ReadBracketDatSets(std::string_view text) {
    BracketSetParser parser;
    parser.Feed(text);
    return parser.Finish();
}

DatParse ReadBracketDat(std::string_view text) {
    DatSets sets = ReadBracketDatSets(text);
    return {std::move(sets.roms), std::move(sets.error)};
}

}  // namespace vesperine::dat
