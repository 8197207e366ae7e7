#pragma once

// Documents parsed from text held in the test, or from a file; null where the parser refuses.

#include <vemora/xml/stXmlParser.h>

#include <memory>
#include <string>

namespace vemora_test {

inline std::unique_ptr<Vemora::stXmlDocument_c> xmlFromText(const wchar_t* text) {
    std::unique_ptr<Vemora::stXmlParser_c> parser(Vemora::stXmlParser_c::createParser(nullptr));
    return std::unique_ptr<Vemora::stXmlDocument_c>(parser->parseString(text));
}

inline std::unique_ptr<Vemora::stXmlDocument_c> xmlFromText(const std::wstring& text) {
    return xmlFromText(text.c_str());
}

inline std::unique_ptr<Vemora::stXmlDocument_c> xmlFromFile(const wchar_t* path) {
    std::unique_ptr<Vemora::stXmlParser_c> parser(Vemora::stXmlParser_c::createParser(nullptr));
    return std::unique_ptr<Vemora::stXmlDocument_c>(parser->parse(path));
}

}  // namespace vemora_test
