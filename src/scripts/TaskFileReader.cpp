#include "scripts/TaskFileReader.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>

#include "scripts/Utf8.h"

namespace scripts {
namespace {

constexpr std::string_view kUtf8Mark("\xEF\xBB\xBF", 3);
constexpr std::string_view kUtf16Mark("\xFF\xFE", 2);
// A task's root element comes right after the declaration and perhaps a comment: this much of a
// file is enough to recognise one.
constexpr std::size_t kRecogniseBytes = 4096;

bool IsXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The start of a file as ASCII: UTF-16 LE units read as their low byte when the high byte is 0,
// anything else as '?'. Enough to see markup, which is ASCII.
std::string NarrowStart(std::string_view bytes, std::size_t limit) {
    if (bytes.substr(0, 2) == kUtf16Mark) {
        std::string narrow;
        for (std::size_t i = 2; i + 1 < bytes.size() && narrow.size() < limit; i += 2) {
            narrow += bytes[i + 1] == '\0' && static_cast<unsigned char>(bytes[i]) < 0x80 ? bytes[i] : '?';
        }
        return narrow;
    }
    if (bytes.substr(0, 3) == kUtf8Mark) {
        bytes.remove_prefix(3);
    }
    return std::string(bytes.substr(0, limit));
}

std::string_view LocalName(std::string_view name) {
    const std::size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// The characters XML allows; a reference to any other (a control character, a surrogate) is an
// error, which also keeps the readers' placeholder bytes out of a value.
bool IsXmlCharacter(std::uint32_t code) {
    return code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
           (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
}

// The code point of a character reference's digits ("#65", "#x41"), or nothing.
std::optional<std::uint32_t> CharacterReference(std::string_view name) {
    const bool hex = name.size() > 1 && name[1] == 'x';
    const std::string_view digits = name.substr(hex ? 2 : 1);
    if (digits.empty() || digits.size() > 8) {
        return std::nullopt;
    }
    std::uint32_t code = 0;
    for (const char c : digits) {
        int digit = -1;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (hex && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (hex && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        }
        if (digit < 0) {
            return std::nullopt;
        }
        code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
    }
    return IsXmlCharacter(code) ? std::optional<std::uint32_t>(code) : std::nullopt;
}

// The text an entity's name ("amp", "#x41") stands for, or nothing for an unknown one.
std::optional<std::string> Entity(std::string_view name) {
    static constexpr std::pair<std::string_view, std::string_view> kNamed[] = {
        {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}};
    for (const auto& [entity, text] : kNamed) {
        if (name == entity) {
            return std::string(text);
        }
    }
    const auto code = name.empty() || name[0] != '#' ? std::nullopt : CharacterReference(name);
    if (!code) {
        return std::nullopt;
    }
    std::string text;
    AppendUtf8(text, *code);
    return text;
}

// One pass over the text, element by element, keeping the path of open elements.
class TaskScan {
public:
    explicit TaskScan(const std::string& text) : text(text) {}

    std::optional<TaskFile> Run(std::string& problem) {
        while (at < text.size() && error.empty()) {
            const std::size_t markup = text.find('<', at);
            CharacterData(at, markup == std::string::npos ? text.size() : markup);
            at = markup;
            if (markup != std::string::npos) {
                Markup();
            } else {
                at = text.size();
            }
        }
        if (error.empty() && !open.empty()) {
            Fail(openedAt.back(), "<" + open.back() + "> is not closed");
        }
        if (error.empty() && !rootSeen) {
            Fail(text.size(), "no <Task> element");
        }
        problem = error;
        return error.empty() ? std::optional<TaskFile>(task) : std::nullopt;
    }

private:
    void Fail(std::size_t offset, const std::string& what) {
        if (error.empty()) {
            const auto line = std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(std::min(offset, text.size())), '\n');
            error = "line " + std::to_string(line + 1) + ": " + what;
        }
        at = text.size();
    }

    // Text between markup: appended, decoded, to the element being read, if any.
    void CharacterData(std::size_t begin, std::size_t end) {
        std::size_t i = begin;
        while (i < end && error.empty()) {
            const std::size_t amp = text.find('&', i);
            const std::size_t stop = std::min(amp, end);
            if (capture != nullptr) {
                capture->value.append(text, i, stop - i);
            }
            if (stop == end) {
                return;
            }
            const std::size_t semicolon = text.find(';', stop);
            if (semicolon == std::string::npos || semicolon >= end || semicolon - stop > 12) {
                Fail(stop, "an & that begins no entity");
                return;
            }
            const std::string_view name(text.data() + stop + 1, semicolon - stop - 1);
            const std::optional<std::string> decoded = Entity(name);
            if (!decoded) {
                Fail(stop, "unknown entity &" + std::string(name) + ";");
                return;
            }
            if (capture != nullptr) {
                capture->value += *decoded;
            }
            i = semicolon + 1;
        }
    }

    // At a '<'.
    void Markup() {
        const std::string_view rest(text.data() + at, text.size() - at);
        if (rest.substr(0, 4) == "<!--") {
            Skip("-->", "a comment");
        } else if (rest.substr(0, 9) == "<![CDATA[") {
            const std::size_t end = text.find("]]>", at + 9);
            if (end == std::string::npos) {
                Fail(at, "a CDATA section is not closed");
                return;
            }
            if (capture != nullptr) {
                capture->value.append(text, at + 9, end - at - 9);
            }
            at = end + 3;
        } else if (rest.substr(0, 2) == "<?") {
            Skip("?>", "a processing instruction");
        } else if (rest.substr(0, 2) == "<!") {
            Fail(at, "a document type declaration, which no task file holds");
        } else if (rest.substr(0, 2) == "</") {
            EndTag();
        } else {
            StartTag();
        }
    }

    void Skip(const char* terminator, const char* what) {
        const std::size_t end = text.find(terminator, at);
        if (end == std::string::npos) {
            Fail(at, std::string(what) + " is not closed");
            return;
        }
        at = end + std::char_traits<char>::length(terminator);
    }

    // The end of the tag starting at `at` (its '>'), quotes respected; npos when there is none.
    std::size_t TagEnd() {
        char quote = '\0';
        for (std::size_t i = at + 1; i < text.size(); ++i) {
            const char c = text[i];
            if (quote != '\0') {
                quote = c == quote ? '\0' : quote;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '>') {
                return i;
            } else if (c == '<') {
                return std::string::npos;
            }
        }
        return std::string::npos;
    }

    std::string_view TagName(std::size_t from, std::size_t end) const {
        std::size_t stop = from;
        while (stop < end && !IsXmlSpace(text[stop]) && text[stop] != '/' && text[stop] != '>') {
            ++stop;
        }
        return std::string_view(text.data() + from, stop - from);
    }

    bool OpenPath(std::initializer_list<std::string_view> path) const {
        return std::equal(open.begin(), open.end(), path.begin(), path.end());
    }

    void StartTag() {
        const std::size_t end = TagEnd();
        if (end == std::string::npos) {
            Fail(at, "a tag is not closed");
            return;
        }
        const std::string_view name = TagName(at + 1, end);
        if (name.empty()) {
            Fail(at, "a < that begins no tag");
            return;
        }
        if (capture != nullptr) {
            Fail(at, "<" + open.back() + "> holds an element");
            return;
        }
        const std::string local(LocalName(name));
        if (open.empty()) {
            const std::string_view tag(text.data() + at, end - at);
            const std::string ns(kTaskNamespace);
            if (rootSeen || local != "Task" ||
                (tag.find('"' + ns + '"') == std::string_view::npos && tag.find('\'' + ns + '\'') == std::string_view::npos)) {
                Fail(at, "the root element is not <Task> in the task namespace");
                return;
            }
            rootSeen = true;
        }
        const bool empty = text[end - 1] == '/';
        Opened(local, end + 1);
        if (empty) {
            Closed();
        } else {
            open.push_back(local);
            openedAt.push_back(at);
        }
        at = end + 1;
    }

    // What an element means to the task, by where it stands.
    void Opened(const std::string& local, std::size_t contentBegin) {
        if (OpenPath({"Task", "Actions"})) {
            ++task.actions;
            if (local == "Exec") {
                task.execs.emplace_back();
            }
        } else if (OpenPath({"Task", "Actions", "Exec"}) && local == "Command") {
            capture = &task.execs.back().command;
        } else if (OpenPath({"Task", "Actions", "Exec"}) && local == "Arguments") {
            task.execs.back().arguments = TaskElementText{};
            capture = &*task.execs.back().arguments;
        } else if (OpenPath({"Task", "RegistrationInfo"}) && local == "URI") {
            uri = TaskElementText{};
            capture = &uri;
        }
        if (capture != nullptr) {
            capture->value.clear();
            capture->begin = contentBegin;
            capture->end = contentBegin;
        }
    }

    void Closed() {
        if (capture == &uri) {
            task.uri = uri.value;
        }
        capture = nullptr;
    }

    void EndTag() {
        const std::size_t end = TagEnd();
        if (end == std::string::npos) {
            Fail(at, "a tag is not closed");
            return;
        }
        const std::string_view name = LocalName(TagName(at + 2, end));
        if (open.empty() || name != open.back()) {
            Fail(at, "</" + std::string(name) + "> closes no open element");
            return;
        }
        if (capture != nullptr) {
            capture->end = at;
        }
        Closed();
        open.pop_back();
        openedAt.pop_back();
        at = end + 1;
    }

    const std::string& text;
    std::size_t at = 0;
    std::string error;
    std::vector<std::string> open;
    std::vector<std::size_t> openedAt;
    bool rootSeen = false;
    TaskFile task;
    TaskElementText uri;
    TaskElementText* capture = nullptr;
};

}  // namespace

bool StartsLikeXml(std::string_view bytes) {
    const std::string narrow = NarrowStart(bytes, 256);
    const std::size_t start = narrow.find_first_not_of(" \t\r\n");
    return start != std::string::npos && narrow.compare(start, 5, "<?xml") == 0;
}

bool LooksLikeTaskFile(std::string_view bytes) {
    if (!StartsLikeXml(bytes)) {
        return false;
    }
    const std::string narrow = NarrowStart(bytes, kRecogniseBytes);
    for (std::size_t at = narrow.find("<Task"); at != std::string::npos; at = narrow.find("<Task", at + 1)) {
        const std::size_t end = narrow.find('>', at);
        if (at + 5 < narrow.size() && (IsXmlSpace(narrow[at + 5]) || narrow[at + 5] == '>') &&
            narrow.find(kTaskNamespace, at) < end) {
            return true;
        }
    }
    return false;
}

std::optional<TaskFile> ReadTaskFile(const std::string& text, std::string& problem) {
    return TaskScan(text).Run(problem);
}

}  // namespace scripts
