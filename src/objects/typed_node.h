#pragma once

#include <cstdint>
#include <string_view>

#include "objects/obj_node.h"
#include "platform/api.h"

namespace velmora {

// A tree node as a node of a derived kind, or null when it is of another kind.
template <class Node>
Node* NodeCast(CObjNode* node) {
    return dynamic_cast<Node*>(node);
}
template <class Node>
const Node* NodeCast(const CObjNode* node) {
    return dynamic_cast<const Node*>(node);
}

// The tree navigation of CObjNode answering the derived node kind, written
// once for every node class that wants it:
//     class CFtpNode : public CTypedNode<CFtpNode, CMFCObjNode> { ... };
// A node of another kind found in the tree answers null.
template <class Node, class Base>
class VELMORA_API CTypedNode : public Base {
public:
    using Base::Base;

    using Base::AddNode;
    Node* AddNode(std::string_view name) { return NodeCast<Node>(CObjNode::AddNode(name)); }
    Node* AddNode(Node* node) { return NodeCast<Node>(CObjNode::AddNode(node)); }
    Node* FindByName(std::string_view name) { return NodeCast<Node>(CObjNode::FindByName(name)); }
    Node* FindByTag(std::string_view tag) { return NodeCast<Node>(CObjNode::FindByTag(tag)); }
    Node* FindByGUID(std::string_view guid) { return NodeCast<Node>(CObjNode::FindByGUID(guid)); }
    Node* FindByValue(std::string_view value) { return NodeCast<Node>(CObjNode::FindByValue(value)); }
    Node* FindByType(int32_t type) { return NodeCast<Node>(CObjNode::FindByType(type)); }
    Node* FindChild(const CObjNode* node) const { return NodeCast<Node>(CObjNode::FindChild(node)); }
    Node* FindChildByName(std::string_view name) const { return NodeCast<Node>(CObjNode::FindChildByName(name)); }
    Node* FindChildByType(int32_t type) const { return NodeCast<Node>(CObjNode::FindChildByType(type)); }
    Node* FindSiblingByName(std::string_view name) const {
        return NodeCast<Node>(CObjNode::FindSiblingByName(name));
    }
    Node* ReverseFindByType(int32_t type) { return NodeCast<Node>(CObjNode::ReverseFindByType(type)); }
    Node* GetParent() const { return NodeCast<Node>(CObjNode::GetParent()); }
    Node* GetRoot() { return NodeCast<Node>(CObjNode::GetRoot()); }
    Node* GetHead() const { return NodeCast<Node>(CObjNode::GetHead()); }
    Node* GetTail() const { return NodeCast<Node>(CObjNode::GetTail()); }
    Node* GetNext(CObjNodeList::POSITION& pos) { return NodeCast<Node>(CObjNode::GetNext(pos)); }
    Node* GetPrev(CObjNodeList::POSITION& pos) { return NodeCast<Node>(CObjNode::GetPrev(pos)); }
};

}  // namespace velmora
