// Any bytes as the engine's configuration document: loading either reads it or keeps the document
// before; the tools it defines can be assembled; a document that was read and is saved again
// reads back, with the same loose properties.
#include <vemora.h>

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

using namespace Vemora;

namespace {

std::wstring tempPath(const char* tag) {
    const std::string p = "/tmp/vemora_fuzz_conf_" + std::to_string(getpid()) + "_" + tag + ".xml";
    return std::wstring(p.begin(), p.end());
}

void writeBytes(const std::wstring& path, const uint8_t* data, size_t size) {
    const std::string p(path.begin(), path.end());
    if (std::FILE* f = std::fopen(p.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
}

// The loose properties of one level as text, for comparing a saved configuration with its
// reload.
class tmpFlattener_c : public utDictionaryVisitor_c {
public:
    std::map<std::wstring, std::wstring> entries;
    void beginDictionary(const utDictionary_c&) override { ++depth_; }
    void endDictionary() override { --depth_; }
    bool visitValue(const wchar_t* key, const utValue_c& value) override {
        const wchar_t* text = value.getType() == utValue_c::dictionaryType
                                  ? L"{}"
                                  : static_cast<const wchar_t*>(value);
        entries[std::to_wstring(depth_) + L":" + key] =
            std::to_wstring(value.getType()) + L"=" + (text ? text : L"");
        return true;
    }

private:
    int depth_ = 0;
};

std::map<std::wstring, std::wstring> flatten(const utDictionary_c& d) {
    tmpFlattener_c f;
    d.visit(f);
    return f.entries;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::wstring input = tempPath("in"), output = tempPath("out");
    writeBytes(input, data, size);
    stVMREngine_c& engine = stVMREngine_c::getEngine();
    const bool read = engine.loadConfiguration(input.c_str());

    if (engine.countTools() > 0) {
        const stToolDefinition_c first = engine.toolDefinitionAt(0);
        engine.makeToolConfiguration(first.name(), nullptr);
        std::unique_ptr<stTool_c> tool(engine.createTool(first.name(), nullptr));
    }
    engine.guiSettings().setInt(L"Fuzzed", 1);

    if (engine.saveConfiguration(output.c_str()) && read) {
        const auto saved = flatten(engine.systemProperties());
        stEngineConfiguration_c back;
        if (!back.load(output.c_str())) __builtin_trap();  // written but unreadable
        if (flatten(back) != saved) __builtin_trap();      // properties changed on the way
    }
    engine.loadConfiguration(nullptr);  // the next input starts from the same empty state
    return 0;
}
