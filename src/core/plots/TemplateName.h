#pragma once
// Which file a frame's options come from, for a template name as a
// training's DefaultTml or a frame's template name holds it.
#include <string>

namespace sorrel {

// Whether `name` names a template: not empty, not "<none>", and its
// file-name part not "empty.tml" in any letter case (that file holds the
// defaults a frame without template gets).
bool NamesTemplate(const std::string& name);

// The template file that `name` names, or empty text when it names none:
// an empty name, "<none>", or a name whose file-name part is "empty.tml" in
// any letter case. Otherwise ".tml" is put on a name without extension,
// and ConfigDir before a name without directory (when the user declines
// to create the Config directory, the bare name stays). A name with a
// directory is used as it is.
std::string ResolveTemplateName(const std::string& name);

// The file a frame initialised with `name` opens its options from: the
// resolved template, or for none ConfigDir + "empty.tml", the defaults
// file; empty text when there is none and no Config directory either (the
// options are then the defaults).
std::string TemplateFileOf(const std::string& name);

}  // namespace sorrel
