#pragma once

#include <vemora/foundation/vemoraApi.h>
#include <vemora/xml/stXmlNode.h>

namespace Vemora {

// A light handle on one element of a document, which it does not own. It listens to the
// element's document and lets go of the element when exactly that element is removed or the
// document is destroyed; copies hold the same element.
class VEMORA_API stXmlElementHandle_c : public stXmlDocListenerBase_c {
public:
    stXmlElementHandle_c() = default;
    explicit stXmlElementHandle_c(stXmlElement_c* element);
    stXmlElementHandle_c(const stXmlElementHandle_c& other);
    stXmlElementHandle_c& operator=(const stXmlElementHandle_c& other);
    ~stXmlElementHandle_c() override;

    bool valid() const { return element_ != nullptr; }
    stXmlElement_c* data() const { return element_; }

    void onNodeRemoved(stXmlDocument_c* document, stXmlNode_c* node) override;
    void onDocumentDestroyed(stXmlDocument_c* document) override;

protected:
    // Holds element (null: none), listening to its document; the handle must hold none.
    void attach(stXmlElement_c* element);
    // Lets go of the element and stops listening.
    void detach();

private:
    stXmlElement_c* element_ = nullptr;
    stXmlDocument_c* document_ = nullptr;
};

}  // namespace Vemora
