// Building the page's nodes; loaded before the scripts that use it.
"use strict";

window.corvanNodes = Object.freeze({
  // An HTML element with its attributes and, when given, its text.
  element(tag, attributes, text) {
    const node = document.createElement(tag);
    for (const [key, value] of Object.entries(attributes || {})) node.setAttribute(key, value);
    if (text !== undefined) node.textContent = text;
    return node;
  },
});
