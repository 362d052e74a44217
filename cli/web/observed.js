// Measured peaks on the page: a pasted or uploaded peak list matched
// against the molecule of the form above (GET /api/match), drawn as
// observed peaks over the expected envelope mirrored below them.
"use strict";

(function () {
  const { element } = window.corvanNodes;
  const SVG = "http://www.w3.org/2000/svg";
  const MAX_PEAKS = 2000;

  function svgElement(tag, attributes, text) {
    const node = document.createElementNS(SVG, tag);
    for (const [key, value] of Object.entries(attributes)) node.setAttribute(key, String(value));
    if (text !== undefined) node.textContent = text;
    return node;
  }

  // Lines of "m/z intensity" (comma, tab, semicolon or spaces); a header
  // line and '#' comments are skipped, as the command line skips them.
  function parsePeaks(text) {
    const peaks = [];
    for (const raw of text.split(/\r?\n/)) {
      const line = raw.replace(/#.*/, "").trim();
      if (!line) continue;
      const fields = line.split(/[\s,;]+/);
      const mz = Number(fields[0]), intensity = Number(fields[1]);
      if (fields.length !== 2 || fields[0] === "" || !Number.isFinite(mz) || Number.isNaN(intensity)) {
        if (peaks.length === 0) continue; // a header
        throw new Error("expected an m/z and an intensity: " + raw);
      }
      peaks.push([mz, intensity]);
    }
    return peaks;
  }

  function build() {
    const section = element("section", { id: "observed", class: "observed" });
    section.append(
      element("h2", {}, "Measured peaks"),
      element("p", { class: "note" },
        "Paste or upload a peak list (m/z and intensity per line) to find the molecule above in it."),
      element("textarea", { id: "observed-peaks", rows: "6", spellcheck: "false",
        placeholder: "603.7659 1147043\n604.2659 683212" }));
    const controls = element("div", { class: "observed-controls" });
    controls.append(
      element("input", { id: "observed-file", type: "file", accept: ".csv,.tsv,.txt" }),
      element("label", { for: "observed-charges" }, "charges"),
      element("input", { id: "observed-charges", type: "text", value: "1-4", size: "5" }),
      element("label", { for: "observed-ppm" }, "ppm"),
      element("input", { id: "observed-ppm", type: "text", value: "10", size: "4" }),
      element("button", { id: "observed-match", type: "button" }, "Match"));
    section.append(controls,
      element("p", { id: "observed-error", class: "error", role: "alert", hidden: "" }),
      element("p", { id: "observed-summary", class: "summary" }),
      element("div", { id: "observed-plot", class: "plot" }),
      element("table", { id: "observed-table" }));
    (document.querySelector("main") || document.body).append(section);
    return section;
  }

  function showError(message) {
    const box = document.getElementById("observed-error");
    box.textContent = message;
    box.hidden = !message;
  }

  function draw(result, peaks) {
    const width = 760, height = 360, left = 60, right = 740, top = 20, bottom = 330;
    const middle = (top + bottom) / 2;
    const expected = result.peaks;
    const margin = 1 / Math.max(1, Math.abs(result.charge));
    const low = expected[0].expected_mz - margin, high = expected[expected.length - 1].expected_mz + margin;
    const shown = peaks.filter(([mz]) => mz >= low && mz <= high);
    let scaleTop = 0;
    for (const [, intensity] of shown) scaleTop = Math.max(scaleTop, intensity);
    for (const p of expected) scaleTop = Math.max(scaleTop, p.expected_height * result.scale);
    scaleTop = scaleTop || 1;
    const x = (mz) => left + (mz - low) / (high - low) * (right - left);
    const svg = svgElement("svg", { width, height, viewBox: `0 0 ${width} ${height}`, role: "img",
      "aria-label": "observed peaks above, expected envelope mirrored below" });
    svg.append(svgElement("line", { x1: left, y1: middle, x2: right, y2: middle, stroke: "#333" }));
    for (const [mz, intensity] of shown) {
      svg.append(svgElement("line", { class: "observed-peak", x1: x(mz), x2: x(mz), y1: middle,
        y2: middle - intensity / scaleTop * (middle - top), stroke: "#1f5fbf", "stroke-width": 2 }));
    }
    for (const p of expected) {
      svg.append(svgElement("line", { class: "expected-peak", x1: x(p.expected_mz), x2: x(p.expected_mz),
        y1: middle, y2: middle + p.expected_height * result.scale / scaleTop * (bottom - middle),
        stroke: "#c0392b", "stroke-width": 2 }));
      if (p.ppm_error !== null) {
        svg.append(svgElement("text", { x: x(p.expected_mz), y: bottom + 16, "text-anchor": "middle",
          "font-size": 10 }, p.ppm_error.toFixed(1) + " ppm"));
      }
    }
    svg.append(svgElement("text", { x: right - 60, y: top + 12, "font-size": 11 }, "observed"),
      svgElement("text", { x: right - 60, y: bottom - 4, "font-size": 11 }, "expected"));
    document.getElementById("observed-plot").replaceChildren(svg);
  }

  function table(result) {
    const rows = [element("tr")];
    for (const head of ["peak", "expected m/z", "height", "observed m/z", "intensity", "ppm"]) {
      rows[0].append(element("th", {}, head));
    }
    for (const p of result.peaks) {
      const row = element("tr");
      const cells = [p.neutrons === 0 ? "M" : "M+" + p.neutrons, p.expected_mz.toFixed(5),
        p.expected_height.toFixed(4), p.observed_mz === null ? "" : p.observed_mz.toFixed(5),
        String(p.observed_intensity), p.ppm_error === null ? "" : p.ppm_error.toFixed(2)];
      for (const cell of cells) row.append(element("td", {}, cell));
      rows.push(row);
    }
    document.getElementById("observed-table").replaceChildren(...rows);
  }

  async function match() {
    showError("");
    let peaks;
    try {
      peaks = parsePeaks(document.getElementById("observed-peaks").value);
    } catch (error) {
      showError(error.message);
      return;
    }
    if (peaks.length > MAX_PEAKS) {
      showError(`at most ${MAX_PEAKS} peaks: paste the region around the envelope`);
      return;
    }
    const query = new URLSearchParams({
      kind: document.getElementById("kind").value,
      input: document.getElementById("input").value,
      charges: document.getElementById("observed-charges").value,
      ppm: document.getElementById("observed-ppm").value,
      peaks: peaks.map(([mz, intensity]) => mz + ":" + intensity).join(","),
    });
    const response = await fetch("/api/match?" + query.toString());
    const result = await response.json();
    if (!response.ok) {
      showError(result.error);
      return;
    }
    peaks.sort((a, b) => a[0] - b[0]);
    document.getElementById("observed-summary").textContent =
      `charge ${result.charge}: cosine ${result.cosine.toFixed(4)}, contrast angle ` +
      `${result.contrast_angle.toFixed(2)}°, χ²/dof ${result.chi_square === null ? "–" : result.chi_square.toFixed(4)}, ` +
      `${result.matched}/${result.compared} peaks matched, mean error ` +
      `${result.mean_ppm === null ? "–" : result.mean_ppm.toFixed(2)} ppm`;
    if (result.peaks.length) draw(result, peaks);
    table(result);
  }

  document.addEventListener("DOMContentLoaded", () => {
    build();
    document.getElementById("observed-match").addEventListener("click", match);
    document.getElementById("observed-file").addEventListener("change", async (event) => {
      const file = event.target.files[0];
      if (file) document.getElementById("observed-peaks").value = await file.text();
    });
  });
})();
