// Which names a site's page template can have. The form names the header
// and footer templates, so the name is untrusted input: it must not reach
// the instance's own files or its index data, whose bytes would be copied
// into the page unescaped.
//
// A template name is relative and non-empty; no component is empty, and
// none starts with '.' (so no ".", "..", or hidden file or folder); the
// first component is not "data", where zebadm keeps the index data; the
// last ends in .htm, .html, .txt or .inc. Letter case is ignored in the
// folder name and the endings. The catalogue zebinst.cat, the look-up table
// ZEBMAP.DAT, the spelling files ZEBCSREF.DAT, an index's "source" and
// zebadm's lock and temporary files fail these rules by their names alone;
// only the default templates header.html and footer.html that zebadm makes
// pass them.
#pragma once

namespace zeb {

// `name` is a zero-terminated path relative to the instance directory.
bool is_template_name(const char* name);

}  // namespace zeb
