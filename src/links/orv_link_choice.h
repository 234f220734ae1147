#pragma once
// COrvLinkChoice: a link whose value is that of the first of its choices whose test holds. A test is a tree of
// `and` and `or` nodes over the boolean values of links; a choice without a test always holds and serves as the
// default when placed last. Every nested link belongs to the same link set as the choice link, so the control is
// called back whenever one of them changes, and reads the choice again: the value is evaluated on demand.
#include <memory>
#include <vector>

#include "links/orv_link_virtual.h"

class COrvLinkChoice : public COrvLinkVirtual
{
public:
    // A node of a test: the boolean of one link, or an AND or OR over child nodes. Evaluation stops at the child
    // that decides.
    class CLogicNode
    {
    public:
        enum Kind
        {
            kLink = 0,
            kAnd = 1,
            kOr = 2,
        };

        explicit CLogicNode(Kind kind, COrvLinkBase* link = nullptr) : m_kind(kind), m_link(link) {}

        // Reads the children of a `when`, `and` or `or` element into this node; false when a nested reading or a
        // link creation failed.
        bool Read(COrvLinkChoice& owner, wxXmlNode* element);
        // 1 true, 0 false, or the negative result of an unreadable link. An empty AND is true, an empty OR false.
        int Evaluate() const;

        CLogicNode& Add(std::unique_ptr<CLogicNode> child);

    private:
        int EvaluateChildren(int decisive) const;

        const Kind m_kind;
        COrvLinkBase* const m_link = nullptr;  // owned by the link set
        std::vector<std::unique_ptr<CLogicNode>> m_children;
    };

    // One choice: its test and the links that give its value.
    struct CChoice
    {
        explicit CChoice(COrvLinkChoice* owner) : m_owner(owner) {}
        // Reads a `choice` element: -1 failed, 1 read with a test, 0 read without one.
        int Read(wxXmlNode* element);

        COrvLinkChoice* const m_owner;
        CLogicNode m_test{CLogicNode::kAnd};
        std::vector<COrvLinkBase*> m_results;  // owned by the link set
    };

    explicit COrvLinkChoice(CLinkSet* linkSet) : COrvLinkVirtual(linkSet) {}

    // Reads the choices: -1 without any `choice`, else the outcome of the last `choice` element (1 read, -1
    // failed); choices that fail to read are dropped.
    int Init(wxXmlNode* element) override;
    // The values of the selected choice's links joined by LF: 1; none selected: 0 and an empty text; -1 on error.
    int GetValue(wxString& value) override;
    // The integer of the selected choice's first link (0 without links): 1; none selected: 0; -1 on error.
    int GetInt(int& value) override;
    // True unless a link of the selected choice is false: 1; none selected: 0; -1 on error.
    int GetBool(bool& value) override;

private:
    int Select(const CChoice*& selected) const;

    std::vector<std::unique_ptr<CChoice>> m_choices;
};
