// The element table and its HTML 4 edition.
#include "html/element_table.h"

#include "common/text.h"

namespace orv {

namespace {

constexpr std::string_view kCoreAttributes = "id,class,style,title,";
constexpr std::string_view kEventAttributes =
    "onclick,ondblclick,onmousedown,onmouseup,onmouseover,onmousemove,onmouseout,onkeypress,"
    "onkeydown,onkeyup,";
constexpr std::string_view kInternationalAttributes = "lang,dir,";

}  // namespace

std::string_view ElementLookupName(std::string_view name) {
  name = TrimView(name);
  if (!name.empty() && name.front() == '/') name.remove_prefix(1);
  if (!name.empty() && name.back() == '/') name.remove_suffix(1);
  return name;
}

ElementTable::ElementTable()
    : standard_names_("Standard elements"),
      declaration_names_("Declarations"),
      non_standard_names_("Non-standard elements"),
      deprecated_names_("Deprecated elements"),
      global_attributes_("Global attributes") {}

void ElementTable::AddStandardAttributes(std::string_view names, std::string_view attributes) {
  for (const std::string& item : Split(names, ',')) {
    auto row = first_row_.find(ToLower(TrimView(item)));
    if (row != first_row_.end()) entries_[row->second].standard_attributes.AddCommaList(attributes);
  }
}

void ElementTable::AddGlobalAttributes(std::string_view attributes) {
  global_attributes_.AddCommaList(attributes);
  has_global_attributes_ = true;
}

bool ElementTable::IsGlobalAttribute(std::string_view attribute) const {
  if (!has_global_attributes_) return false;
  if (attribute.size() > 5 &&
      (StartsWithNoCase(attribute, "data-") || StartsWithNoCase(attribute, "aria-")))
    return true;
  return global_attributes_.Contains(attribute);
}

void ElementTable::AddElements(ElementKind kind, std::string_view names, int groups,
                               std::string_view standard, std::string_view deprecated,
                               std::string_view extension) {
  const bool all = (groups & kAllGroups) != 0;
  for (const std::string& item : Split(names, ',')) {
    std::string_view name = TrimView(item);
    if (name.empty()) continue;
    ElementEntry entry;
    entry.name = std::string(name);
    entry.kind = kind;
    entry.groups = groups;
    if (all || (groups & kCoreGroup)) entry.standard_attributes.AddCommaList(kCoreAttributes);
    if (all || (groups & kEventGroup)) entry.standard_attributes.AddCommaList(kEventAttributes);
    if (all || (groups & kInternationalGroup))
      entry.standard_attributes.AddCommaList(kInternationalAttributes);
    entry.standard_attributes.AddCommaList(standard);
    entry.deprecated_attributes.AddCommaList(deprecated);
    entry.extension_attributes.AddCommaList(extension);

    switch (kind) {
      case ElementKind::kStandard:
        standard_names_.Add(name);
        break;
      case ElementKind::kDeclaration:
        declaration_names_.Add(name);
        break;
      case ElementKind::kNonStandard:
        non_standard_names_.Add(name);
        break;
      case ElementKind::kDeprecated:
        deprecated_names_.Add(name);
        break;
    }
    first_row_.try_emplace(ToLower(name), entries_.size());
    entries_.push_back(std::move(entry));
  }
}

ElementStatus ElementTable::StatusOfElement(std::string_view name) const {
  name = ElementLookupName(name);
  if (standard_names_.Contains(name)) return ElementStatus::kStandard;
  if (deprecated_names_.Contains(name)) return ElementStatus::kDeprecated;
  if (non_standard_names_.Contains(name)) return ElementStatus::kNonStandard;
  if (declaration_names_.Contains(name)) return ElementStatus::kDeclaration;
  return ElementStatus::kUnknown;
}

AttributeStatus ElementTable::StatusOfAttribute(std::string_view element,
                                                std::string_view attribute) const {
  if (StatusOfElement(element) == ElementStatus::kUnknown) return AttributeStatus::kNoElement;
  auto row = first_row_.find(ToLower(ElementLookupName(element)));
  if (row == first_row_.end()) return AttributeStatus::kNoElement;
  const ElementEntry& entry = entries_[row->second];
  attribute = TrimView(attribute);
  if (entry.standard_attributes.Contains(attribute)) return AttributeStatus::kStandard;
  if (entry.deprecated_attributes.Contains(attribute)) return AttributeStatus::kDeprecated;
  if (IsGlobalAttribute(attribute)) return AttributeStatus::kStandard;
  if (entry.extension_attributes.Contains(attribute)) return AttributeStatus::kExtension;
  return AttributeStatus::kUnknown;
}

ElementTable ElementTable::Html4() {
  using K = ElementKind;
  ElementTable t;
  t.AddElements(K::kDeclaration, "!doctype,?xml", 0);

  // Standard elements first, so that a name with a standard and a deprecated
  // row (caption) finds its standard row.
  t.AddElements(K::kStandard, "a", 1,
                "charset,type,name,href,hreflang,rel,rev,accesskey,shape,coords,tabindex,onfocus,"
                "onblur");
  t.AddElements(K::kStandard,
                "abbr,acronym,address,b,big,cite,code,dd,dfn,em,fieldset,i,kbd,noframes,noscript,"
                "samp,small,span,strong,sub,sup,tt,var",
                1);
  t.AddElements(K::kStandard, "area", 1,
                "shape,coords,href,nohref,alt,tabindex,accesskey,onfocus,onblur");
  t.AddElements(K::kStandard, "base", 0, "href,target");
  t.AddElements(K::kStandard, "blockquote,q", 1, "cite");
  t.AddElements(K::kStandard, "body", 1, "onload,onunload",
                "bgcolor,text,link,vlink,alink,background",
                "bgproperties,topmargin,leftmargin,rightmargin,bottommargin,marginwidth,"
                "marginheight,nowrap");
  t.AddElements(K::kStandard, "br", 2, "", "clear");
  t.AddElements(K::kStandard, "button", 1,
                "name,value,type,disabled,tabindex,accesskey,onfocus,onblur", "",
                "type,name,value");
  t.AddElements(K::kStandard, "caption", 1, "", "align");
  t.AddElements(K::kStandard, "col,colgroup", 1, "span,width,align,char,charoff,valign");
  t.AddElements(K::kStandard, "del,ins", 1, "cite,datetime");
  t.AddElements(K::kStandard, "div", 1, "", "align", "nowrap");
  t.AddElements(K::kStandard, "dl", 1, "", "compact");
  t.AddElements(K::kStandard, "dt", 1, "", "", "nowrap");
  t.AddElements(K::kStandard, "form", 1,
                "action,method,enctype,accept,name,onsubmit,onreset,accept-charset", "",
                "autocomplete");
  t.AddElements(K::kStandard, "frame", 2,
                "longdesc,name,src,frameborder,marginwidth,marginheight,noresize,scrolling", "",
                "noresize,width,height");
  t.AddElements(K::kStandard, "frameset", 2, "rows,cols,onload,onunload");
  t.AddElements(K::kStandard, "head", 4, "profile");
  t.AddElements(K::kStandard, "h1,h2,h3,h4,h5,h6,p", 1, "", "align");
  t.AddElements(K::kStandard, "hr", 1, "", "align,noshade,size,width", "color");
  t.AddElements(K::kStandard, "html", 4, "", "", "xmlns");
  t.AddElements(K::kStandard, "iframe", 2,
                "longdesc,name,src,frameborder,marginwidth,marginheight,scrolling,align,height,"
                "width",
                "", "hspace,vspace,bgcolor,longdesc");
  t.AddElements(K::kStandard, "img", 1, "src,alt,longdesc,name,height,width,usemap,ismap",
                "align,border,hspace,vspace", "dynsrc,loop");
  t.AddElements(K::kStandard, "input", 1,
                "type,name,value,checked,disabled,readonly,size,maxlength,src,alt,usemap,ismap,"
                "tabindex,accesskey,onfocus,onblur,onselect,onchange,accept",
                "align", "autocomplete");
  t.AddElements(K::kStandard, "label", 1, "for,accesskey,onfocus,onblur");
  t.AddElements(K::kStandard, "legend", 1, "accesskey");
  t.AddElements(K::kStandard, "li", 1, "", "type,value");
  t.AddElements(K::kStandard, "link", 1, "charset,href,hreflang,type,rel,rev,media");
  t.AddElements(K::kStandard, "map", 1, "", "name");
  t.AddElements(K::kStandard, "meta", 4, "http-equiv,name,content,scheme");
  t.AddElements(K::kStandard, "object", 1,
                "declare,classid,codebase,data,type,codetype,archive,standby,height,width,usemap,"
                "name,tabindex",
                "", "code");
  t.AddElements(K::kStandard, "ol", 1, "", "type,compact,start");
  t.AddElements(K::kStandard, "optgroup,select", 1,
                "name,size,multiple,disabled,tabindex,onfocus,onblur,onchange");
  t.AddElements(K::kStandard, "option", 1,
                "name,size,multiple,disabled,tabindex,onfocus,onblur,onchange", "selected,value");
  t.AddElements(K::kStandard, "param", 1, "name,value,valuetype,type");
  t.AddElements(K::kStandard, "pre", 1, "", "width");
  t.AddElements(K::kStandard, "script", 0, "charset,type,src,defer", "language",
                "vbscript,xml,for,event");
  t.AddElements(K::kStandard, "style", 4, "type,media,title");
  t.AddElements(K::kStandard, "table", 1,
                "summary,width,border,frame,rules,cellspacing,cellpadding", "align,bgcolor",
                "bordercolor,bordercolorlight,bordercolordark,hspace,vspace");
  t.AddElements(K::kStandard, "tbody,thead,tfoot", 1, "align,char,charoff,valign");
  t.AddElements(K::kStandard, "td,th", 1,
                "abbr,axis,headers,scope,rowspan,colspan,align,char,charoff,valign",
                "bgcolor,nowrap,width,height", "bordercolor");
  t.AddElements(K::kStandard, "textarea", 1,
                "name,rows,cols,disabled,readonly,tabindex,accesskey,onfocus,onblur,onselect,"
                "onchange");
  t.AddElements(K::kStandard, "title", 4);
  t.AddElements(K::kStandard, "tr", 1, "align,char,charoff,valign", "bgcolor");
  t.AddElements(K::kStandard, "ul", 1, "", "type,compact");

  t.AddElements(K::kNonStandard,
                "bgsound,blink,comment,keygen,layer,marquee,multicol,noembed,nolayer,rt,ruby,"
                "spacer,xml",
                0);

  t.AddElements(K::kDeprecated, "applet", 2,
                "codebase,code,alt,name,width,height,align,hspace,vspace");
  t.AddElements(K::kDeprecated, "basefont", 6, "size");
  t.AddElements(K::kDeprecated, "caption", 14, "", "align");
  t.AddElements(K::kDeprecated, "center", 0);
  t.AddElements(K::kDeprecated, "dir,menu", 14, "compact");
  t.AddElements(K::kDeprecated, "font", 6, "size,color", "face");
  t.AddElements(K::kDeprecated, "isindex", 6, "prompt");
  t.AddElements(K::kDeprecated, "s,strike,u,xmp", 14);
  return t;
}

ElementTable ElementTable::Current() {
  using K = ElementKind;
  ElementTable t = Html4();
  // Elements of today's HTML that HTML 4 lacks (or that its table leaves
  // out or counts as extensions: bdo, ruby, rt, wbr, embed). A standard row
  // wins over a non-standard one of the same name.
  t.AddElements(K::kStandard,
                "article,aside,bdi,bdo,datalist,figcaption,figure,footer,header,hgroup,main,mark,"
                "nav,picture,rp,rt,ruby,search,section,selectedcontent,summary,wbr",
                1);
  t.AddElements(K::kStandard, "audio", 1, "src,crossorigin,preload,autoplay,loop,muted,controls");
  t.AddElements(K::kStandard, "video", 1,
                "src,crossorigin,poster,preload,autoplay,playsinline,loop,muted,controls,width,"
                "height");
  t.AddElements(K::kStandard, "source", 1, "type,media,src,srcset,sizes,width,height");
  t.AddElements(K::kStandard, "track", 1, "kind,src,srclang,label,default");
  t.AddElements(K::kStandard, "canvas", 1, "width,height");
  t.AddElements(K::kStandard, "embed", 1, "src,type,width,height");
  t.AddElements(K::kStandard, "data", 1, "value");
  t.AddElements(K::kStandard, "time", 1, "datetime");
  t.AddElements(K::kStandard, "meter", 1, "value,min,max,low,high,optimum");
  t.AddElements(K::kStandard, "progress", 1, "value,max");
  t.AddElements(K::kStandard, "output", 1, "for,form,name");
  t.AddElements(K::kStandard, "details", 1, "open,name");
  t.AddElements(K::kStandard, "dialog", 1, "open");
  t.AddElements(K::kStandard, "slot", 1, "name");
  t.AddElements(K::kStandard, "template", 1,
                "shadowrootmode,shadowrootdelegatesfocus,shadowrootclonable,"
                "shadowrootserializable");
  t.AddElements(K::kStandard, "svg", 1,
                "xmlns,xmlns:xlink,version,viewbox,width,height,preserveaspectratio,fill,stroke,"
                "focusable,x,y");
  t.AddElements(K::kStandard, "math", 1, "xmlns,display,alttext");

  // Attributes today's HTML gives the older elements.
  t.AddStandardAttributes("a", "download,ping,target,referrerpolicy");
  t.AddStandardAttributes("area", "download,ping,target,rel,referrerpolicy");
  t.AddStandardAttributes("button",
                          "form,formaction,formenctype,formmethod,formnovalidate,formtarget,"
                          "popovertarget,popovertargetaction");
  t.AddStandardAttributes("fieldset", "disabled,form,name");
  t.AddStandardAttributes("form", "autocomplete,novalidate,target,rel");
  t.AddStandardAttributes("iframe", "allow,allowfullscreen,loading,referrerpolicy,sandbox,srcdoc");
  t.AddStandardAttributes(
      "img", "srcset,sizes,crossorigin,decoding,loading,referrerpolicy,fetchpriority");
  t.AddStandardAttributes("input",
                          "autocomplete,dirname,form,formaction,formenctype,formmethod,"
                          "formnovalidate,formtarget,height,width,list,max,min,minlength,"
                          "multiple,pattern,placeholder,required,step,popovertarget");
  t.AddStandardAttributes("link",
                          "as,crossorigin,integrity,sizes,imagesrcset,imagesizes,referrerpolicy,"
                          "blocking,disabled,fetchpriority");
  t.AddStandardAttributes("meta", "charset,media");
  t.AddStandardAttributes("object", "form");
  t.AddStandardAttributes("ol", "reversed");
  t.AddStandardAttributes("optgroup", "label");
  t.AddStandardAttributes("script",
                          "async,crossorigin,integrity,nomodule,referrerpolicy,blocking,"
                          "fetchpriority");
  t.AddStandardAttributes("select", "autocomplete,form,required");
  t.AddStandardAttributes("style", "blocking");
  t.AddStandardAttributes("textarea",
                          "autocomplete,dirname,form,maxlength,minlength,placeholder,required,"
                          "wrap");

  // Global attributes and the event handlers every element takes.
  t.AddGlobalAttributes(
      "accesskey,autocapitalize,autocorrect,autofocus,class,contenteditable,dir,draggable,"
      "enterkeyhint,hidden,id,inert,inputmode,is,itemid,itemprop,itemref,itemscope,itemtype,"
      "lang,nonce,popover,role,slot,spellcheck,style,tabindex,title,translate,"
      "writingsuggestions,"
      "onabort,onauxclick,onbeforeinput,onbeforematch,onbeforetoggle,onblur,oncancel,"
      "oncanplay,oncanplaythrough,onchange,onclick,onclose,oncontextlost,oncontextmenu,"
      "oncontextrestored,oncopy,oncuechange,oncut,ondblclick,ondrag,ondragend,ondragenter,"
      "ondragleave,ondragover,ondragstart,ondrop,ondurationchange,onemptied,onended,onerror,"
      "onfocus,onformdata,oninput,oninvalid,onkeydown,onkeypress,onkeyup,onload,onloadeddata,"
      "onloadedmetadata,onloadstart,onmousedown,onmouseenter,onmouseleave,onmousemove,"
      "onmouseout,onmouseover,onmouseup,onpaste,onpause,onplay,onplaying,onprogress,"
      "onratechange,onreset,onresize,onscroll,onscrollend,onsecuritypolicyviolation,onseeked,"
      "onseeking,onselect,onslotchange,onstalled,onsubmit,onsuspend,ontimeupdate,ontoggle,"
      "onvolumechange,onwaiting,onwheel");
  return t;
}

}  // namespace orv
