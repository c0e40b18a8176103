"""The C runtime's split of a command line into words, for the runners that check what a
program received."""


def crt_split(text):
    """The words a Windows program's C runtime splits `text` into (as src/scripts/CrtArguments.cpp)."""
    words, word, in_word, quoted, i = [], "", False, False, 0
    while i < len(text):
        c = text[i]
        if not quoted and c in " \t":
            if in_word:
                words.append(word)
                word, in_word = "", False
            i += 1
            continue
        in_word = True
        if c == "\\":
            count = len(text[i:]) - len(text[i:].lstrip("\\"))
            i += count
            if i < len(text) and text[i] == '"':
                word += "\\" * (count // 2)
                if count % 2:
                    word += '"'
                    i += 1
            else:
                word += "\\" * count
            continue
        if c == '"':
            if quoted and text[i + 1 : i + 2] == '"':
                word += '"'
                i += 2
                continue
            quoted = not quoted
            i += 1
            continue
        word += c
        i += 1
    if in_word:
        words.append(word)
    return words
