// The bracketed text DAT form, read by a flat loop over tokens with a depth counter.
#include <optional>

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
    explicit Tokenizer(std::string_view text) : text_(text) {}

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
    std::uint32_t line_ = 1;
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

DatSets ReadBracketDatSets(std::string_view text) {
    /*
      The reader is a state machine over three places: the top level (block names), inside a
      game (keys with values, `rom ( ... )`, other sub-blocks skipped), inside a rom (keys with
      values). Blocks nested deeper than that, or inside skipped blocks, only move skipDepth.
    */
    Tokenizer tokens(text);
    DatSets result;
    std::string error;
    auto refuse = [&](std::uint32_t line, std::string message) {
        return DatSets{{}, {}, DatError{"", line, std::move(message)}};
    };

    enum class Place { Top, Game, Rom };
    Place place = Place::Top;
    std::uint64_t skipDepth = 0;  // open blocks being skipped inside the current place
    DatSet set;
    std::size_t gameFirstRom = 0;
    RomEntry rom;
    SetRom setRom;
    bool sizeSeen = false;
    std::uint32_t romLine = 0;
    std::uint32_t outerLine = 0;  // where the outermost open block began

    for (;;) {
        const std::optional<Token> token = tokens.Next(error);
        if (!token) return refuse(tokens.line(), error);
        if (token->kind == TokenKind::End) break;
        if (skipDepth > 0) {
            if (token->kind == TokenKind::Open) ++skipDepth;
            if (token->kind == TokenKind::Close) --skipDepth;
            continue;
        }
        if (token->kind == TokenKind::Close) {
            if (place == Place::Top) return refuse(token->line, "')' without an open block");
            if (place == Place::Rom) {
                if (auto message = CheckRomComplete(rom, sizeSeen)) return refuse(romLine, *message);
                setRom.rom = result.roms.size();
                result.roms.push_back(std::move(rom));
                set.roms.push_back(std::move(setRom));
                place = Place::Game;
            } else {
                for (std::size_t i = gameFirstRom; i < result.roms.size(); ++i) result.roms[i].game = set.name;
                result.sets.push_back(std::move(set));
                place = Place::Top;
            }
            continue;
        }
        if (token->kind == TokenKind::Open) return refuse(token->line, "'(' without a name before it");

        // A key (or at the top a block name): see what follows it.
        const Token key = *token;
        const std::optional<Token> value = tokens.Next(error);
        if (!value) return refuse(tokens.line(), error);
        if (value->kind == TokenKind::End)
            return refuse(key.line, QuotedForMessage("", key.text) + " ends the file without a value");
        if (value->kind == TokenKind::Close)
            return refuse(value->line, QuotedForMessage("", key.text) + " has no value");
        if (value->kind == TokenKind::Open) {
            if (place == Place::Top) outerLine = key.line;
            if (place == Place::Top && IsGameBlock(key.text)) {
                place = Place::Game;
                set = DatSet{};
                set.isBios = key.text == "resource";  // clrmamepro's name for a BIOS set
                gameFirstRom = result.roms.size();
            } else if (place == Place::Game && key.text == "rom") {
                place = Place::Rom;
                rom = RomEntry{};
                setRom = SetRom{};
                sizeSeen = false;
                romLine = key.line;
            } else if (place == Place::Rom) {
                return refuse(value->line, "'(' inside a rom");
            } else {
                skipDepth = 1;
            }
            continue;
        }
        if (place == Place::Top) return refuse(key.line, QuotedForMessage("", key.text) + " is not followed by '('");
        if (place == Place::Game) TakeSetField(set, key.text, value->text);
        if (place == Place::Rom) {
            sizeSeen = sizeSeen || key.text == "size";
            if (auto message = TakeRomField(rom, key.text, value->text)) return refuse(value->line, *message);
            if (auto message = TakeSetRomField(setRom, key.text, value->text)) return refuse(value->line, *message);
        }
    }
    if (place != Place::Top || skipDepth > 0) {
        return refuse(tokens.line(), "the file ends inside the block opened on line " + std::to_string(outerLine));
    }
    return result;
}

DatParse ReadBracketDat(std::string_view text) {
    DatSets sets = ReadBracketDatSets(text);
    return {std::move(sets.roms), std::move(sets.error)};
}

}  // namespace vesperine::dat
