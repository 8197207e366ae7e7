#include <vemora/xml/stXmlElementHandle.h>

namespace Vemora {

stXmlElementHandle_c::stXmlElementHandle_c(stXmlElement_c* element) { attach(element); }

stXmlElementHandle_c::stXmlElementHandle_c(const stXmlElementHandle_c& other)
    : stXmlDocListenerBase_c(other) {
    attach(other.element_);
}

stXmlElementHandle_c& stXmlElementHandle_c::operator=(const stXmlElementHandle_c& other) {
    if (this != &other) {
        detach();
        attach(other.element_);
    }
    return *this;
}

stXmlElementHandle_c::~stXmlElementHandle_c() { detach(); }

void stXmlElementHandle_c::attach(stXmlElement_c* element) {
    element_ = element;
    document_ = element ? element->getOwnerDocument() : nullptr;
    if (document_) document_->addListener(this);
}

void stXmlElementHandle_c::detach() {
    if (document_) document_->removeListener(this);
    document_ = nullptr;
    element_ = nullptr;
}

void stXmlElementHandle_c::onNodeRemoved(stXmlDocument_c*, stXmlNode_c* node) {
    if (node == element_) detach();
}

void stXmlElementHandle_c::onDocumentDestroyed(stXmlDocument_c*) {
    document_ = nullptr;  // the document is going: nothing to unregister from
    element_ = nullptr;
}

}  // namespace Vemora
