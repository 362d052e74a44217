// Fragment ions on the page: the fragments of the peptide or nucleic acid
// of the form above with their isotope envelopes, and those after an
// isolation of the precursor's peaks (GET /api/fragments).
"use strict";

(function () {
  const { element } = window.corvanNodes;
  const SHOWN_PEAKS = 4; // M+0..M+3 per ion, as the command line's table shows

  function field(id, label, attributes) {
    return [element("label", { for: id }, label), element("input", { id, type: "text", ...attributes })];
  }

  function build() {
    const section = element("section", { id: "fragments", class: "observed" });
    section.append(
      element("h2", {}, "Fragment ions"),
      element("p", { class: "note" },
        "The fragments of the peptide or nucleic acid above, with their envelopes; with an isolation " +
        "(M+0,M+1) or a window in m/z, also each fragment's envelope given the precursor's isolated peaks."));
    const controls = element("div", { class: "observed-controls" });
    controls.append(
      ...field("fragments-types", "types", { placeholder: "by", size: "6" }),
      ...field("fragments-charges", "charges", { placeholder: "1", size: "5" }),
      ...field("fragments-isolation", "isolation", { placeholder: "M+0,M+1", size: "9" }),
      ...field("fragments-window", "window", { placeholder: "500.2:502.2", size: "11" }),
      element("label", { for: "fragments-losses" }, "losses"),
      element("input", { id: "fragments-losses", type: "checkbox" }),
      element("button", { id: "fragments-compute", type: "button" }, "Fragments"));
    section.append(controls,
      element("p", { id: "fragments-error", class: "error", role: "alert", hidden: "" }),
      element("p", { id: "fragments-summary", class: "summary" }),
      element("div", { class: "table-wrap" }, undefined));
    section.lastChild.append(element("table", { id: "fragments-table" }));
    (document.querySelector("main") || document.body).append(section);
  }

  function showError(message) {
    const box = document.getElementById("fragments-error");
    box.textContent = message;
    box.hidden = !message;
  }

  // The query: only what the user wrote, so that the server's defaults
  // (by and 1 for peptides; a-B,c,w,y and -1 for nucleic acids) apply.
  function query() {
    const params = new URLSearchParams({
      kind: document.getElementById("kind").value,
      input: document.getElementById("input").value,
    });
    for (const key of ["types", "charges", "isolation", "window"]) {
      const value = document.getElementById("fragments-" + key).value.trim();
      if (value) params.set(key, value);
    }
    if (document.getElementById("fragments-losses").checked) params.set("losses", "yes");
    return params;
  }

  function pointText(fragment, key) {
    const byK = new Map(fragment.points.map((p) => [p.k, p[key]]));
    const cells = [];
    for (let k = 0; k < SHOWN_PEAKS; ++k) cells.push(byK.has(k) ? byK.get(k).toFixed(4) : "0");
    return cells.join(" ");
  }

  function table(result) {
    const isolated = result.isolation !== undefined;
    const head = element("tr");
    const names = ["ion", "charge", "formula", "monoisotopic m/z", "M+0..M+3"];
    if (isolated) names.push("after isolation");
    for (const name of names) head.append(element("th", {}, name));
    const rows = [head];
    for (const f of result.fragments) {
      const row = element("tr", { class: "fragment-row" });
      const cells = [f.name, String(f.charge), f.formula, f.monoisotopic_mz.toFixed(6), pointText(f, "share")];
      if (isolated) cells.push(pointText(f, "conditioned"));
      for (const cell of cells) row.append(element("td", {}, cell));
      rows.push(row);
    }
    document.getElementById("fragments-table").replaceChildren(...rows);
  }

  async function compute() {
    showError("");
    document.getElementById("fragments-summary").textContent = "";
    document.getElementById("fragments-table").replaceChildren();
    const response = await fetch("/api/fragments?" + query().toString());
    const result = await response.json();
    if (!response.ok) {
      showError(result.error);
      return;
    }
    document.getElementById("fragments-summary").textContent =
      `${result.fragments.length} fragment ions of ${result.input}` +
      (result.isolation === undefined ? "" : `, isolated ${result.isolation}`);
    table(result);
  }

  document.addEventListener("DOMContentLoaded", () => {
    build();
    document.getElementById("fragments-compute").addEventListener("click", compute);
  });
})();
