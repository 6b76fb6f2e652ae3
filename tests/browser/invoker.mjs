// Uses the method invoker page as a developer would: picks a method, types the arguments,
// presses the button and reads the answer. Usage: node invoker.mjs URL SCREENSHOT
import { chromium } from "playwright-core";

const [url, screenshot] = process.argv.slice(2);
const browser = await chromium.launch({
  executablePath: "/usr/bin/chromium",
  args: ["--headless", "--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking",
         "--disable-component-update", "--disable-sync"],
});
try {
  const page = await browser.newPage({ viewport: { width: 1000, height: 900 } });
  await page.goto(url);
  await page.waitForFunction(() => document.querySelectorAll("#method option").length > 0);

  // The page describes the chosen method before the button is enabled again.
  await page.selectOption("#method", "EchoString");
  await page.waitForSelector("#call:not([disabled])");
  await page.waitForSelector("#param-Value");
  await page.fill("#param-Value", "ciao dal browser");
  await page.click("#call");
  await page.waitForFunction(() => document.getElementById("result").textContent.includes("ciao dal browser"));
  const echo = await page.textContent("#result");
  const session = await page.textContent("#session");

  await page.selectOption("#method", "PutFile");
  await page.waitForSelector("#call:not([disabled])");
  await page.waitForSelector("#param-jJson");
  await page.fill("#param-cFileName", "dal-browser.xml");
  await page.fill("#param-jJson", '{"contenuto": "<ordine id=\\"7\\"/>"}');
  await page.click("#call");
  await page.waitForFunction(() => document.getElementById("result").textContent.includes("OK"));
  const put = await page.textContent("#result");
  const status = await page.textContent("#status");
  await page.screenshot({ path: screenshot, fullPage: true });
  console.log(JSON.stringify({ echo, put, status, session }));
} finally {
  await browser.close();
}
